#include "base/gbk_table.h"

#include <iconv.h>

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

char32_t utf32le(const unsigned char* p) {
  return static_cast<char32_t>(p[0] | p[1] << 8 | p[2] << 16 | static_cast<unsigned>(p[3]) << 24);
}

GbkTable::Step step(char32_t c) {
  GbkTable::Step s{};
  std::size_t n = 0;
  if (c < 0x80) {
    s.utf8[n++] = static_cast<char>(c);
  } else if (c < 0x800) {
    s.utf8[n++] = static_cast<char>(0xC0 | c >> 6);
    s.utf8[n++] = static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    s.utf8[n++] = static_cast<char>(0xE0 | c >> 12);
    s.utf8[n++] = static_cast<char>(0x80 | (c >> 6 & 0x3F));
    s.utf8[n++] = static_cast<char>(0x80 | (c & 0x3F));
  } else {
    s.utf8[n++] = static_cast<char>(0xF0 | c >> 18);
    s.utf8[n++] = static_cast<char>(0x80 | (c >> 12 & 0x3F));
    s.utf8[n++] = static_cast<char>(0x80 | (c >> 6 & 0x3F));
    s.utf8[n++] = static_cast<char>(0x80 | (c & 0x3F));
  }
  s.packed = static_cast<std::uint32_t>(c | n << 24);
  return s;
}

// The first character iconv reads from `in` (room for one UTF-32 unit only,
// so the bytes consumed are exactly that character's) and its length in
// bytes; U+FFFD and 0 where iconv refuses.
GbkTable::Step first_step(const Iconv& cd, const unsigned char* in, std::size_t size,
                          std::size_t& used) {
  std::array<unsigned char, 4> out{};
  std::size_t written = 0;
  used = cd.run(in, size, out.data(), out.size(), written);
  if (used != 0 && written == 4 && utf32le(out.data()) <= 0x10FFFF) return step(utf32le(out.data()));
  used = 0;
  return step(0xFFFD);
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

struct Composition {
  char16_t base, mark, composed;
};

// Letters with grave, acute, circumflex, macron, breve, diaeresis or caron,
// as Unicode composes them; only those GBK holds are kept.
constexpr Composition kCompositions[] = {
    {u'a', 0x300, u'à'}, {u'a', 0x301, u'á'}, {u'a', 0x302, u'â'}, {u'a', 0x304, u'ā'},
    {u'a', 0x306, u'ă'}, {u'a', 0x308, u'ä'}, {u'a', 0x30C, u'ǎ'}, {u'A', 0x300, u'À'},
    {u'A', 0x301, u'Á'}, {u'A', 0x302, u'Â'}, {u'A', 0x304, u'Ā'}, {u'A', 0x306, u'Ă'},
    {u'A', 0x308, u'Ä'}, {u'A', 0x30C, u'Ǎ'}, {u'e', 0x300, u'è'}, {u'e', 0x301, u'é'},
    {u'e', 0x302, u'ê'}, {u'e', 0x304, u'ē'}, {u'e', 0x306, u'ĕ'}, {u'e', 0x308, u'ë'},
    {u'e', 0x30C, u'ě'}, {u'E', 0x300, u'È'}, {u'E', 0x301, u'É'}, {u'E', 0x302, u'Ê'},
    {u'E', 0x304, u'Ē'}, {u'E', 0x306, u'Ĕ'}, {u'E', 0x308, u'Ë'}, {u'E', 0x30C, u'Ě'},
    {u'i', 0x300, u'ì'}, {u'i', 0x301, u'í'}, {u'i', 0x302, u'î'}, {u'i', 0x304, u'ī'},
    {u'i', 0x306, u'ĭ'}, {u'i', 0x308, u'ï'}, {u'i', 0x30C, u'ǐ'}, {u'I', 0x300, u'Ì'},
    {u'I', 0x301, u'Í'}, {u'I', 0x302, u'Î'}, {u'I', 0x304, u'Ī'}, {u'I', 0x306, u'Ĭ'},
    {u'I', 0x308, u'Ï'}, {u'I', 0x30C, u'Ǐ'}, {u'o', 0x300, u'ò'}, {u'o', 0x301, u'ó'},
    {u'o', 0x302, u'ô'}, {u'o', 0x304, u'ō'}, {u'o', 0x306, u'ŏ'}, {u'o', 0x308, u'ö'},
    {u'o', 0x30C, u'ǒ'}, {u'O', 0x300, u'Ò'}, {u'O', 0x301, u'Ó'}, {u'O', 0x302, u'Ô'},
    {u'O', 0x304, u'Ō'}, {u'O', 0x306, u'Ŏ'}, {u'O', 0x308, u'Ö'}, {u'O', 0x30C, u'Ǒ'},
    {u'u', 0x300, u'ù'}, {u'u', 0x301, u'ú'}, {u'u', 0x302, u'û'}, {u'u', 0x304, u'ū'},
    {u'u', 0x306, u'ŭ'}, {u'u', 0x308, u'ü'}, {u'u', 0x30C, u'ǔ'}, {u'U', 0x300, u'Ù'},
    {u'U', 0x301, u'Ú'}, {u'U', 0x302, u'Û'}, {u'U', 0x304, u'Ū'}, {u'U', 0x306, u'Ŭ'},
    {u'U', 0x308, u'Ü'}, {u'U', 0x30C, u'Ǔ'}, {u'ü', 0x300, u'ǜ'}, {u'ü', 0x301, u'ǘ'},
    {u'ü', 0x304, u'ǖ'}, {u'ü', 0x30C, u'ǚ'}, {u'Ü', 0x300, u'Ǜ'}, {u'Ü', 0x301, u'Ǘ'},
    {u'Ü', 0x304, u'Ǖ'}, {u'Ü', 0x30C, u'Ǚ'}, {u'n', 0x300, u'ǹ'}, {u'n', 0x301, u'ń'},
    {u'n', 0x30C, u'ň'}, {u'N', 0x300, u'Ǹ'}, {u'N', 0x301, u'Ń'}, {u'N', 0x30C, u'Ň'},
    {u'm', 0x301, u'ḿ'}, {u'M', 0x301, u'Ḿ'}, {u'е', 0x300, u'ѐ'}, {u'е', 0x306, u'ӗ'},
    {u'е', 0x308, u'ё'}, {u'Е', 0x300, u'Ѐ'}, {u'Е', 0x306, u'Ӗ'}, {u'Е', 0x308, u'Ё'},
    {u'и', 0x300, u'ѝ'}, {u'и', 0x304, u'ӣ'}, {u'и', 0x306, u'й'}, {u'и', 0x308, u'ӥ'},
    {u'И', 0x300, u'Ѝ'}, {u'И', 0x304, u'Ӣ'}, {u'И', 0x306, u'Й'}, {u'И', 0x308, u'Ӥ'},
};

constexpr char32_t kHighBlock = 128;

}  // namespace

// Code page 936 has the euro sign at 0x80, which a plain GBK table may lack.
// ASCII is the last resort of a C library without the Chinese tables.
GbkTable::GbkTable() {
  for (const char* name : {"CP936", "GBK", "ASCII"}) {
    if (build(name)) return;
  }
  last_.fill(step(0xFFFD));  // no iconv at all: everything refused
  pair_.fill(step(0xFFFD));
  bmp_.fill(kNone);
}

bool GbkTable::build(const char* code_page) {
  const Iconv decoder("UTF-32LE", code_page);
  const Iconv encoder(code_page, "UTF-32LE");
  if (!decoder.valid() || !encoder.valid()) return false;

  for (unsigned b = 0; b < 0x100; ++b) {
    const unsigned char one[1] = {static_cast<unsigned char>(b)};
    std::size_t used = 0;
    last_[b] = first_step(decoder, one, 1, used);
    for (unsigned next = 0; next < 0x100; ++next) {
      const unsigned char two[2] = {static_cast<unsigned char>(b), static_cast<unsigned char>(next)};
      pair_[b << 8 | next] = first_step(decoder, two, 2, used);
      const unsigned length = pair_shape(two[0], two[1]) ? 2 : 1;
      if (used != 0 && used != length) return false;  // not a code page these steps can read
    }
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

  for (const auto& c : kCompositions) {
    if (bmp_[c.composed] < kDropped) compositions_.push_back({c.base, c.mark, c.composed});
  }
  return true;
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

char16_t GbkTable::compose(char16_t base, char16_t mark) const {
  for (const auto& c : compositions_) {
    if (c.base == base && c.mark == mark) return c.composed;
  }
  return 0;
}

}  // namespace lv::base
