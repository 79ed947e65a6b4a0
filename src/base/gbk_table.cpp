#include "base/gbk_table.h"

#include <iconv.h>

#include <algorithm>
#include <array>
#include <utility>

namespace lv::base {
namespace {

// An owned iconv conversion descriptor.
class Iconv final {
 public:
  Iconv(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
  ~Iconv() {
    if (valid()) iconv_close(cd_);
  }
  Iconv(const Iconv&) = delete;
  Iconv& operator=(const Iconv&) = delete;

  bool valid() const { return cd_ != reinterpret_cast<iconv_t>(-1); }

  // Converts `in` from a fresh state into `out`; returns the bytes read and
  // sets `written`. iconv stops at the first sequence it refuses, or when
  // `out` is full.
  std::size_t run(const void* in, std::size_t in_size, void* out, std::size_t out_size,
                  std::size_t& written) const {
    iconv(cd_, nullptr, nullptr, nullptr, nullptr);
    char* src = static_cast<char*>(const_cast<void*>(in));  // iconv is not const-correct
    char* dst = static_cast<char*>(out);
    std::size_t src_left = in_size, dst_left = out_size;
    iconv(cd_, &src, &src_left, &dst, &dst_left);
    written = out_size - dst_left;
    return in_size - src_left;
  }

 private:
  iconv_t cd_;
};

// Code page 936 has the euro sign at 0x80, which a plain GBK table may lack.
// ASCII is the last resort of a C library without the Chinese tables.
const char* code_page_name() {
  for (const char* name : {"CP936", "GBK", "ASCII"}) {
    if (Iconv("UTF-32LE", name).valid()) return name;
  }
  return "ASCII";
}

char32_t utf32le(const unsigned char* p) {
  return static_cast<char32_t>(p[0] | p[1] << 8 | p[2] << 16 | static_cast<unsigned>(p[3]) << 24);
}

// The first character iconv reads from `in`: room for one UTF-32 unit only,
// so the bytes consumed are exactly that character's.
GbkTable::Read first_read(const Iconv& cd, const unsigned char* in, std::size_t size) {
  std::array<unsigned char, 4> out{};
  std::size_t written = 0;
  const std::size_t used = cd.run(in, size, out.data(), out.size(), written);
  if (used == 0 || used > 3 || written != 4) return 0;
  const char32_t c = utf32le(out.data());
  if (c > 0x1FFFFF) return 0;
  return static_cast<GbkTable::Read>(c | used << 24);
}

std::uint16_t encode_one(const Iconv& cd, char32_t c) {
  const std::array<unsigned char, 4> in{static_cast<unsigned char>(c), static_cast<unsigned char>(c >> 8),
                                        static_cast<unsigned char>(c >> 16), 0};
  std::array<unsigned char, 8> out{};
  std::size_t written = 0;
  if (cd.run(in.data(), in.size(), out.data(), out.size(), written) != in.size()) return GbkTable::kNone;
  if (written == 0) return GbkTable::kDropped;
  if (written == 1) return out[0];
  if (written == 2 && out[0] != 0) return static_cast<std::uint16_t>(out[0] << 8 | out[1]);
  return GbkTable::kNone;
}

constexpr char32_t kHighBlock = 128;

}  // namespace

GbkTable::GbkTable()
    : alone_(0x100, 0), pair_(0x10000, 0), last_(0x100, 0), bmp_(0x10000, kNone) {
  const char* name = code_page_name();
  const Iconv decoder("UTF-32LE", name);
  const Iconv encoder(name, "UTF-32LE");
  if (!decoder.valid() || !encoder.valid()) return;  // everything refused

  for (unsigned b = 0; b < 0x100; ++b) {
    const unsigned char one[1] = {static_cast<unsigned char>(b)};
    last_[b] = first_read(decoder, one, 1);
    bool same_whatever_follows = length_of(last_[b]) == 1;
    for (unsigned next = 0; next < 0x100; ++next) {
      const unsigned char two[2] = {static_cast<unsigned char>(b), static_cast<unsigned char>(next)};
      pair_[b << 8 | next] = first_read(decoder, two, 2);
      same_whatever_follows = same_whatever_follows && pair_[b << 8 | next] == last_[b];
    }
    if (same_whatever_follows) alone_[b] = last_[b];
  }

  for (char32_t c = 0; c < 0x10000; ++c) bmp_[c] = encode_one(encoder, c);
  // Above the BMP iconv decides block by block (it drops the tag characters
  // U+E0000..U+E007F unasked); one probe per block finds such blocks.
  for (char32_t first = 0x10000; first < 0x110000; first += kHighBlock) {
    if (encode_one(encoder, first) == kNone) continue;
    HighBlock block{first, std::vector<std::uint16_t>(kHighBlock)};
    for (char32_t i = 0; i < kHighBlock; ++i) block.codes[i] = encode_one(encoder, first + i);
    high_.push_back(std::move(block));
  }
}

const GbkTable& GbkTable::get() {
  // Built once, shared by all threads, never destroyed (a conversion may run
  // on a thread that outlives static destruction).
  static const GbkTable* const table = new GbkTable();
  return *table;
}

std::uint16_t GbkTable::encode_high(char32_t c) const {
  const char32_t first = c - c % kHighBlock;
  for (const auto& block : high_) {
    if (block.first == first) return block.codes[c - first];
  }
  return kNone;
}

}  // namespace lv::base
