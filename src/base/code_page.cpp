#include "base/code_page.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>

#include "base/gbk_table.h"

// Each conversion walks its input once through GbkTable, which holds what
// iconv makes of every GBK code and every code point. Where iconv would stop
// at a sequence it refuses, a replacement goes out (U+FFFD towards Unicode,
// '?' towards GBK) and the walk steps over as many units as the earlier
// iconv-driven version did, so the results are the same byte for byte.

namespace lv::base {
namespace {

inline unsigned char u8(char c) { return static_cast<unsigned char>(c); }

// Collects output units in a small local buffer and appends them to a string
// reserved beforehand, so the string is neither zero-filled nor regrown.
template <typename Char>
class Sink final {
 public:
  explicit Sink(std::basic_string<Char>& out) : out_(out) {}
  Sink(const Sink&) = delete;
  Sink& operator=(const Sink&) = delete;

  // Makes room for up to four units, to be written by put() unchecked.
  void room() {
    if (used_ > kSize - 4) flush();
  }
  void put(Char c) { buffer_[used_++] = c; }
  void flush() {
    out_.append(buffer_, used_);
    used_ = 0;
  }

 private:
  static constexpr std::size_t kSize = 4096;
  std::basic_string<Char>& out_;
  Char buffer_[kSize];
  std::size_t used_ = 0;
};

// --- GBK to Unicode ------------------------------------------------------

// A GBK pair that has the shape of a character but no mapping is one bad
// character; anything else bad is one bad byte (its successor may be ASCII).
std::size_t gbk_bad_length(const char* s, std::size_t left) {
  if (left >= 2) {
    const unsigned char lead = u8(s[0]), trail = u8(s[1]);
    if (lead >= 0x81 && lead <= 0xFE && trail >= 0x40 && trail <= 0xFE && trail != 0x7F) return 2;
  }
  return 1;
}

void put_utf8(Sink<char>& out, char32_t c) {
  if (c < 0x80) {
    out.put(static_cast<char>(c));
  } else if (c < 0x800) {
    out.put(static_cast<char>(0xC0 | c >> 6));
    out.put(static_cast<char>(0x80 | (c & 0x3F)));
  } else if (c < 0x10000) {
    out.put(static_cast<char>(0xE0 | c >> 12));
    out.put(static_cast<char>(0x80 | (c >> 6 & 0x3F)));
    out.put(static_cast<char>(0x80 | (c & 0x3F)));
  } else {
    out.put(static_cast<char>(0xF0 | c >> 18));
    out.put(static_cast<char>(0x80 | (c >> 12 & 0x3F)));
    out.put(static_cast<char>(0x80 | (c >> 6 & 0x3F)));
    out.put(static_cast<char>(0x80 | (c & 0x3F)));
  }
}

void put_utf16(Sink<char16_t>& out, char32_t c) {
  if (c < 0x10000) {
    out.put(static_cast<char16_t>(c));
  } else {
    out.put(static_cast<char16_t>(0xD800 | (c - 0x10000) >> 10));
    out.put(static_cast<char16_t>(0xDC00 | (c & 0x3FF)));
  }
}

// Calls put(code point) for every character of `gbk`, U+FFFD for what iconv refuses.
template <typename Put>
void read_gbk(std::string_view gbk, Put put) {
  const GbkTable& table = GbkTable::get();
  const char* s = gbk.data();
  const std::size_t n = gbk.size();
  for (std::size_t i = 0; i < n;) {
    const unsigned char b = u8(s[i]);
    GbkTable::Read r = table.alone(b);
    if (r == 0) r = i + 1 < n ? table.at(b, u8(s[i + 1])) : table.at_end(b);
    if (const unsigned length = GbkTable::length_of(r); length != 0) {
      put(GbkTable::code_of(r));
      i += length;
    } else {
      put(char32_t{0xFFFD});
      i += std::min(n - i, gbk_bad_length(s + i, n - i));
    }
  }
}

// --- Unicode to GBK ------------------------------------------------------

void put_gbk(Sink<char>& out, std::uint16_t code) {
  if (code < 0x100) {
    out.put(static_cast<char>(code));
  } else if (code == GbkTable::kNone) {
    out.put('?');
  } else if (code != GbkTable::kDropped) {
    out.put(static_cast<char>(code >> 8));
    out.put(static_cast<char>(code & 0xFF));
  }
}

bool continuation(unsigned char c) { return (c & 0xC0) == 0x80; }

// One UTF-8 character at s[0..left): its code point and length. A sequence
// of well-formed shape that is no character (overlong, surrogate, beyond
// U+10FFFF) gives kInvalid over its whole length; a broken one gives
// kInvalid over its first byte.
constexpr char32_t kInvalid = 0xFFFFFFFF;

char32_t read_utf8(const char* s, std::size_t left, std::size_t& length) {
  const unsigned char c = u8(s[0]);
  length = 1;
  if (c < 0x80) return c;
  const std::size_t n = c >= 0xC2 && c < 0xE0 ? 2 : c >= 0xE0 && c < 0xF0 ? 3 : c >= 0xF0 && c < 0xF5 ? 4 : 0;
  if (n == 0 || n > left) return kInvalid;
  for (std::size_t k = 1; k < n; ++k) {
    if (!continuation(u8(s[k]))) return kInvalid;
  }
  length = n;
  if (n == 2) return static_cast<char32_t>((c & 0x1F) << 6 | (u8(s[1]) & 0x3F));
  if (n == 3) {
    const char32_t cp = static_cast<char32_t>((c & 0x0F) << 12 | (u8(s[1]) & 0x3F) << 6 | (u8(s[2]) & 0x3F));
    return cp < 0x800 || (cp >= 0xD800 && cp < 0xE000) ? kInvalid : cp;
  }
  const char32_t cp = static_cast<char32_t>((c & 0x07) << 18 | (u8(s[1]) & 0x3F) << 12 |
                                            (u8(s[2]) & 0x3F) << 6 | (u8(s[3]) & 0x3F));
  return cp < 0x10000 || cp > 0x10FFFF ? kInvalid : cp;
}

bool high_surrogate(char32_t u) { return u >= 0xD800 && u < 0xDC00; }
bool low_surrogate(char32_t u) { return u >= 0xDC00 && u < 0xE000; }

// UTF-16 units to GBK; a lone surrogate is one bad unit. With `compose`, a
// letter and the combining marks after it become one precomposed character
// where GBK has one.
template <typename Units>
void write_gbk(const Units& units, std::size_t n, bool compose, Sink<char>& out) {
  const GbkTable& table = GbkTable::get();
  for (std::size_t i = 0; i < n;) {
    out.room();
    char32_t c = units[i++];
    if (high_surrogate(c) && i < n && low_surrogate(units[i])) {
      c = 0x10000 + ((c - 0xD800) << 10 | (units[i++] - 0xDC00));
    } else if (high_surrogate(c) || low_surrogate(c)) {
      out.put('?');
      continue;
    } else if (compose) {
      while (i < n && units[i] >= 0x300 && units[i] <= 0x30C) {
        const char16_t composed = table.compose(static_cast<char16_t>(c), units[i]);
        if (composed == 0) break;
        c = composed;
        ++i;
      }
    }
    put_gbk(out, table.encode(c));
  }
  out.flush();
}

// The UTF-16LE units of a byte set, read in place.
struct LittleEndianUnits {
  const std::uint8_t* bytes;
  char16_t operator[](std::size_t i) const {
    return static_cast<char16_t>(bytes[2 * i] | bytes[2 * i + 1] << 8);
  }
};

}  // namespace

// The largest output per input unit: GBK -> UTF-8 three bytes (the euro sign
// and U+FFFD come from one byte), GBK -> UTF-16 one unit, UTF-8 -> GBK one
// byte, UTF-16 -> GBK two bytes.

std::string gbk_to_utf8(std::string_view gbk) {
  std::string utf8;
  utf8.reserve(gbk.size() * 3);
  Sink<char> out(utf8);
  read_gbk(gbk, [&out](char32_t c) {
    out.room();
    put_utf8(out, c);
  });
  out.flush();
  return utf8;
}

std::u16string gbk_to_utf16(std::string_view gbk) {
  std::u16string utf16;
  utf16.reserve(gbk.size());
  Sink<char16_t> out(utf16);
  read_gbk(gbk, [&out](char32_t c) {
    out.room();
    put_utf16(out, c);
  });
  out.flush();
  return utf16;
}

Text utf8_to_gbk(std::string_view utf8) {
  const GbkTable& table = GbkTable::get();
  Text gbk;
  gbk.reserve(utf8.size());
  Sink<char> out(gbk);
  const char* s = utf8.data();
  const std::size_t n = utf8.size();
  for (std::size_t i = 0; i < n;) {
    out.room();
    std::size_t length = 1;
    const char32_t c = read_utf8(s + i, n - i, length);
    put_gbk(out, c == kInvalid ? GbkTable::kNone : table.encode(c));
    i += length;
  }
  out.flush();
  return gbk;
}

Text utf16_to_gbk(std::u16string_view utf16) {
  Text gbk;
  gbk.reserve(utf16.size() * 2);
  Sink<char> out(gbk);
  write_gbk(utf16, utf16.size(), false, out);
  return gbk;
}

Text wide_to_gbk(const Bytes& utf16le) {
  const LittleEndianUnits units{utf16le.data()};
  std::size_t n = 0;
  while (n < utf16le.size() / 2 && units[n] != 0) ++n;  // an odd last byte is no unit
  Text gbk;
  gbk.reserve(n * 2);
  Sink<char> out(gbk);
  write_gbk(units, n, true, out);
  return gbk;
}

}  // namespace lv::base
