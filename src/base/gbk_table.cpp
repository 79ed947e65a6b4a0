#include "base/gbk_table.h"

#include <iconv.h>

#include <algorithm>
#include <array>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// iconv is asked in bulk, not once per code: some 3,000 conversions in all
// (most of them going on after a refused pair) instead of some 140,000.
// Every pair of bytes with a character's shape is read a lead byte at a
// time, and what is read is encoded back at once, which must give the same
// bytes. The rest of the BMP must give nothing through //IGNORE. Whatever a
// bulk conversion does not confirm, and what no bulk conversion can tell (a
// byte alone at the end of the input, what iconv drops unasked), is asked
// code by code as before.

namespace lv::base {
namespace {

// Code points go to and from iconv as wchar_t, which glibc takes as UCS-4 in
// host order, its own internal form: a conversion is then one step, not two.
static_assert(sizeof(wchar_t) == sizeof(char32_t));
constexpr const char* kUnicode = "WCHAR_T";

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
  void reset() const { iconv(cd_, nullptr, nullptr, nullptr, nullptr); }

  // Converts `in` into `out` from the state the last call left; returns the
  // bytes read and sets `written`. iconv stops at the first sequence it
  // refuses, or when `out` is full.
  std::size_t run(const void* in, std::size_t in_size, void* out, std::size_t out_size,
                  std::size_t& written) const {
    char* src = static_cast<char*>(const_cast<void*>(in));  // iconv is not const-correct
    char* dst = static_cast<char*>(out);
    std::size_t src_left = in_size, dst_left = out_size;
    iconv(cd_, &src, &src_left, &dst, &dst_left);
    written = out_size - dst_left;
    return in_size - src_left;
  }

  // Whether iconv converts all of `in` to exactly `expected`. With //IGNORE
  // it may stop part way to report what it skipped, and is called again; a
  // call that gets no further (a refusal, or more output than expected)
  // ends it.
  bool converts_to(std::span<const char32_t> in, std::string_view expected) const {
    std::string out(expected.size() + 1, '\0');
    reset();
    char* src = reinterpret_cast<char*>(const_cast<char32_t*>(in.data()));
    char* dst = out.data();
    std::size_t src_left = in.size_bytes(), dst_left = out.size();
    while (src_left > 0) {
      const std::size_t before = src_left;
      iconv(cd_, &src, &src_left, &dst, &dst_left);
      if (src_left == before) return false;
    }
    return std::string_view(out.data(), out.size() - dst_left) == expected;
  }

 private:
  iconv_t cd_;
};

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

constexpr char32_t kRefused = 0xFFFD;

// A character iconv has read, or U+FFFD where it is none.
GbkTable::Step read_step(char32_t c) { return step(c <= 0x10FFFF ? c : kRefused); }

// The first character iconv reads from `in` (room for one code point only,
// so the bytes consumed are exactly that character's); U+FFFD where iconv
// refuses.
GbkTable::Step first_step(const Iconv& cd, const unsigned char* in, std::size_t size) {
  char32_t out = 0;
  std::size_t written = 0;
  cd.reset();
  const std::size_t used = cd.run(in, size, &out, sizeof out, written);
  return used != 0 && written == sizeof out ? read_step(out) : step(kRefused);
}

std::uint16_t encode_one(const Iconv& cd, char32_t c) {
  std::array<unsigned char, 8> out{};
  std::size_t written = 0;
  cd.reset();
  if (cd.run(&c, sizeof c, out.data(), out.size(), written) != sizeof c) return GbkTable::kNone;
  if (written == 0) return GbkTable::kDropped;
  if (written == 1) return out[0];
  if (written == 2 && out[0] != 0) return static_cast<std::uint16_t>(out[0] << 8 | out[1]);
  return GbkTable::kNone;
}

// The pairs of `lead` with a character's shape into `pair`, read in one
// conversion that goes on after each pair iconv refuses (GBK has no shift
// state to reset). The characters of each stretch read are encoded back in
// one conversion into `codes`; where that does not give the same bytes, each
// of them is asked alone. False where iconv reads the pairs otherwise than
// one character each.
bool read_row(const Iconv& decoder, const Iconv& encoder, unsigned lead, GbkTable::Step* pair,
              std::uint16_t* codes) {
  constexpr std::size_t kTrails = 190;  // 40..FE but 7F
  std::array<std::uint16_t, kTrails> row{};
  std::array<char, 2 * kTrails> in{};
  for (unsigned trail = 0x40, n = 0; trail <= 0xFE; ++trail) {
    if (trail == 0x7F) continue;
    row[n] = static_cast<std::uint16_t>(lead << 8 | trail);
    in[2 * n] = static_cast<char>(lead);
    in[2 * n + 1] = static_cast<char>(trail);
    ++n;
  }
  std::array<char32_t, kTrails> out{};
  decoder.reset();
  for (std::size_t i = 0; i < kTrails;) {
    std::size_t written = 0;
    const std::string_view from(&in[2 * i], 2 * (kTrails - i));
    const std::size_t used = decoder.run(from.data(), from.size(), out.data(), sizeof out, written);
    const std::size_t pairs = used / 2;
    if (used % 2 != 0 || written != pairs * sizeof(char32_t)) return false;
    const bool back = pairs != 0 && encoder.converts_to({out.data(), pairs}, from.substr(0, used));
    for (std::size_t k = 0; k < pairs; ++k, ++i) {
      const char32_t c = out[k];
      pair[row[i]] = read_step(c);
      if (c < 0x10000) codes[c] = back ? row[i] : encode_one(encoder, c);
    }
    if (i < kTrails) pair[row[i++]] = step(kRefused);  // where iconv stopped
  }
  return true;
}

// Code points iconv should refuse, confirmed by one conversion through
// //IGNORE that gives nothing; where it gives something, each half is
// confirmed again, down to single code points asked of the strict `encoder`.
void confirm_refused(const Iconv& lenient, const Iconv& encoder, std::span<const char32_t> points,
                     std::uint16_t* codes) {
  if (lenient.converts_to(points, "")) return;
  if (points.size() == 1) {
    codes[points[0]] = encode_one(encoder, points[0]);
    return;
  }
  confirm_refused(lenient, encoder, points.first(points.size() / 2), codes);
  confirm_refused(lenient, encoder, points.subspan(points.size() / 2), codes);
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
  const Iconv decoder(kUnicode, code_page);
  const Iconv encoder(code_page, kUnicode);
  const Iconv lenient((std::string(code_page) + "//IGNORE").c_str(), kUnicode);
  if (!decoder.valid() || !encoder.valid() || !lenient.valid()) return false;

  // Where a byte and the next have no pair shape, iconv reads the byte alone,
  // as at the end of the input (a lead byte is refused either way; the tests
  // hold every pair to iconv). A character read from one byte is encoded back
  // on its own.
  bmp_.fill(kNone);
  for (unsigned b = 0; b < 0x100; ++b) {
    const auto one = static_cast<unsigned char>(b);
    last_[b] = first_step(decoder, &one, 1);
    std::fill_n(&pair_[b << 8], 0x100, last_[b]);
    const char32_t c = last_[b].code();
    if (c < 0x10000 && c != kRefused) bmp_[c] = encode_one(encoder, c);
  }
  for (unsigned lead = 0x81; lead <= 0xFE; ++lead) {
    if (!read_row(decoder, encoder, lead, pair_.data(), bmp_.data())) {
      return false;  // not a code page these steps can read
    }
  }

  // The rest of the BMP is refused, which one conversion through //IGNORE per
  // chunk confirms by giving nothing. That cannot tell refused from dropped,
  // but iconv drops no code point of the BMP (the tests hold every code point
  // to iconv).
  constexpr char32_t kChunk = 4096;
  for (char32_t first = 0; first < 0x10000; first += kChunk) {
    std::array<char32_t, kChunk> rest;
    std::size_t n = 0;
    for (char32_t c = first; c < first + kChunk; ++c) {
      rest[n] = c;
      n += bmp_[c] == kNone;
    }
    confirm_refused(lenient, encoder, {rest.data(), n}, bmp_.data());
  }

  // Above the BMP iconv decides block by block: one probe per block finds the
  // blocks it does not refuse. It drops the tag characters U+E0000..U+E007F
  // unasked, so their block is probed alone; the first code points of all the
  // others should be refused, which one conversion through //IGNORE confirms.
  constexpr char32_t kTags = 0xE0000;
  std::vector<char32_t> probes;
  probes.reserve(0x100000 / kHighBlock);
  for (char32_t first = 0x10000; first < 0x110000; first += kHighBlock) {
    if (first != kTags) probes.push_back(first);
  }
  if (lenient.converts_to(probes, "")) probes.clear();
  probes.push_back(kTags);
  for (char32_t first : probes) {
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
