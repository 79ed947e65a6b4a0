#include "base/code_page.h"

#include <bitset>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "base/gbk_table.h"

// Each conversion walks its input once through GbkTable, which holds what
// iconv makes of every GBK code and every code point. Where iconv would stop
// at a sequence it refuses, a replacement goes out (U+FFFD towards Unicode,
// '?' towards GBK) and the walk steps over as many units as the earlier
// iconv-driven version did, so the results are the same byte for byte.

namespace lv::base {
namespace {

inline unsigned char u8(char c) { return static_cast<unsigned char>(c); }

// Output goes through a small local chunk that is appended to the string
// reserved beforehand, so the string is never zero-filled or regrown. The
// write position is kept by the caller in a local, where the stores through
// it cannot make the compiler reload it.
template <typename Char>
class Chunk final {
 public:
  explicit Chunk(std::basic_string<Char>& out) : out_(out) {}
  Chunk(const Chunk&) = delete;
  Chunk& operator=(const Chunk&) = delete;

  Char* start() { return data_; }
  // Where to write next, with room for at least four units.
  Char* room(Char* w) {
    if (w <= data_ + kSize - 4) return w;
    out_.append(data_, static_cast<std::size_t>(w - data_));
    return data_;
  }
  void finish(Char* w) { out_.append(data_, static_cast<std::size_t>(w - data_)); }

 private:
  static constexpr std::size_t kSize = 4096;
  std::basic_string<Char>& out_;
  Char data_[kSize];
};

// --- GBK to Unicode ------------------------------------------------------

inline char16_t* put_utf16(char16_t* w, char32_t c) {
  if (c < 0x10000) {
    *w++ = static_cast<char16_t>(c);
  } else {
    *w++ = static_cast<char16_t>(0xD800 | (c - 0x10000) >> 10);
    *w++ = static_cast<char16_t>(0xDC00 | (c & 0x3FF));
  }
  return w;
}

// Converts `gbk` with put(write position, step). A step is two bytes where
// the pair has a character's shape and one byte elsewhere; runs of each kind
// get a loop of their own, whose predicted branch lets the next lookup start
// before this one is back (an add of the step length would make it wait).
template <typename Char, typename Put>
void read_gbk(std::string_view gbk, std::basic_string<Char>& out, Put put) {
  if (gbk.empty()) return;
  const GbkTable& table = GbkTable::get();
  const auto* s = reinterpret_cast<const unsigned char*>(gbk.data());
  const std::size_t last = gbk.size() - 1;
  Chunk<Char> chunk(out);
  Char* w = chunk.start();
  std::size_t i = 0;
  while (i < last) {
    for (; i < last && GbkTable::pair_shape(s[i], s[i + 1]); i += 2) {
      w = chunk.room(w);
      w = put(w, table.at(s[i], s[i + 1]));
    }
    for (; i < last && !GbkTable::pair_shape(s[i], s[i + 1]); ++i) {
      w = chunk.room(w);
      w = put(w, table.at(s[i], s[i + 1]));
    }
  }
  if (i == last) {
    w = chunk.room(w);
    w = put(w, table.at_end(s[i]));
  }
  chunk.finish(w);
}

// --- Unicode to GBK ------------------------------------------------------

inline char* put_gbk(char* w, std::uint16_t code) {
  if (code < 0x100) {
    *w++ = static_cast<char>(code);
  } else if (code == GbkTable::kNone) {
    *w++ = '?';
  } else if (code != GbkTable::kDropped) {
    *w++ = static_cast<char>(code >> 8);
    *w++ = static_cast<char>(code & 0xFF);
  }
  return w;
}

bool continuation(unsigned char c) { return (c & 0xC0) == 0x80; }

// One UTF-8 character at s[0..left): its code point and length. A sequence
// of well-formed shape that is no character (overlong, surrogate, beyond
// U+10FFFF) gives kInvalid over its whole length; a broken one gives
// kInvalid over its first byte.
constexpr char32_t kInvalid = 0xFFFFFFFF;

inline char32_t read_utf8(const char* s, std::size_t left, std::size_t& length) {
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
void write_gbk(const Units& units, std::size_t n, bool compose, Text& out) {
  const GbkTable& table = GbkTable::get();
  Chunk<char> chunk(out);
  char* w = chunk.start();
  for (std::size_t i = 0; i < n;) {
    w = chunk.room(w);
    char32_t c = units[i++];
    if (high_surrogate(c) && i < n && low_surrogate(units[i])) {
      c = 0x10000 + ((c - 0xD800) << 10 | (units[i++] - 0xDC00));
    } else if (high_surrogate(c) || low_surrogate(c)) {
      *w++ = '?';
      continue;
    } else if (compose) {
      while (i < n && units[i] >= 0x300 && units[i] <= 0x30C) {
        const char16_t composed = table.compose(static_cast<char16_t>(c), units[i]);
        if (composed == 0) break;
        c = composed;
        ++i;
      }
    }
    w = put_gbk(w, table.encode(c));
  }
  chunk.finish(w);
}

// The UTF-16LE units of a byte set, read in place.
struct LittleEndianUnits {
  const std::uint8_t* bytes;
  char16_t operator[](std::size_t i) const {
    return static_cast<char16_t>(bytes[2 * i] | bytes[2 * i + 1] << 8);
  }
};

// GBK has no U+FFFD of its own: a step that reads as one is a refusal.
constexpr char32_t kRefused = 0xFFFD;

// Which well-shaped pairs read as a character, as bits over lead << 8 | trail:
// 8 KB that stay in the cache over a long text, where the table's steps
// (512 KB) would not.
const std::bitset<0x10000>& readable_pairs() {
  static const std::bitset<0x10000> bits = [] {
    const GbkTable& table = GbkTable::get();
    std::bitset<0x10000> readable;
    for (unsigned lead = 0x81; lead <= 0xFE; ++lead) {
      for (unsigned trail = 0x40; trail <= 0xFE; ++trail) {
        const auto b = static_cast<unsigned char>(lead), next = static_cast<unsigned char>(trail);
        if (GbkTable::pair_shape(b, next) && table.at(b, next).code() != kRefused) readable.set(lead << 8 | trail);
      }
    }
    return readable;
  }();
  return bits;
}

}  // namespace

// The largest output per input unit: GBK -> UTF-8 three bytes (the euro sign
// and U+FFFD come from one byte), GBK -> UTF-16 one unit, UTF-8 -> GBK one
// byte, UTF-16 -> GBK two bytes.

void gbk_to_utf8_into(std::string_view gbk, std::string& utf8) {
  utf8.clear();
  utf8.reserve(gbk.size() * 3);
  read_gbk(gbk, utf8, [](char* w, const GbkTable::Step& step) {
    std::memcpy(w, step.utf8, sizeof step.utf8);  // one store; the padding is overwritten next
    return w + step.utf8_length();
  });
}

std::string gbk_to_utf8(std::string_view gbk) {
  std::string utf8;
  gbk_to_utf8_into(gbk, utf8);
  return utf8;
}

std::u16string gbk_to_utf16(std::string_view gbk) {
  std::u16string utf16;
  utf16.reserve(gbk.size());
  read_gbk(gbk, utf16, [](char16_t* w, const GbkTable::Step& step) { return put_utf16(w, step.code()); });
  return utf16;
}

Text gbk_repaired(std::string_view gbk) {
  const GbkTable& table = GbkTable::get();
  const std::bitset<0x10000>& readable = readable_pairs();
  const auto* s = reinterpret_cast<const unsigned char*>(gbk.data());
  const std::size_t n = gbk.size();
  Text out;
  out.reserve(n);
  std::size_t run = 0;  // start of the bytes still to copy as they are
  for (std::size_t i = 0; i < n;) {
    if (s[i] < 0x80) {
      ++i;
      continue;
    }
    const bool pair = i + 1 < n && GbkTable::pair_shape(s[i], s[i + 1]);
    if (pair && readable[s[i] << 8 | s[i + 1]]) {
      i += 2;
      continue;
    }
    const std::size_t length = pair ? 2 : 1;
    const GbkTable::Step& step = i + 1 < n ? table.at(s[i], s[i + 1]) : table.at_end(s[i]);
    if (step.code() == kRefused) {
      out.append(gbk, run, i - run);
      out += '?';
      run = i + length;
    }
    i += length;
  }
  out.append(gbk, run);
  return out;
}

Text utf8_to_gbk(std::string_view utf8) {
  const GbkTable& table = GbkTable::get();
  Text gbk;
  gbk.reserve(utf8.size());
  Chunk<char> chunk(gbk);
  char* w = chunk.start();
  const char* s = utf8.data();
  const std::size_t n = utf8.size();
  for (std::size_t i = 0; i < n;) {
    w = chunk.room(w);
    std::size_t length = 1;
    const char32_t c = read_utf8(s + i, n - i, length);
    w = put_gbk(w, c == kInvalid ? GbkTable::kNone : table.encode(c));
    i += length;
  }
  chunk.finish(w);
  return gbk;
}

Text utf8_to_gbk_in_place(Text&& utf8) {
  const GbkTable& table = GbkTable::get();
  Text text = std::move(utf8);
  char* const s = text.data();
  const std::size_t n = text.size();
  std::size_t w = 0;
  for (std::size_t i = 0; i < n;) {
    std::size_t length = 1;
    const char32_t c = read_utf8(s + i, n - i, length);
    // Read before written: the GBK bytes (one or two) never reach past the
    // sequence they replace, since w <= i and a two-byte GBK character comes
    // from at least two UTF-8 bytes.
    char out[4];
    const std::size_t written = static_cast<std::size_t>(put_gbk(out, c == kInvalid ? GbkTable::kNone : table.encode(c)) - out);
    std::memcpy(s + w, out, written);
    w += written;
    i += length;
  }
  text.resize(w);
  return text;
}

Text utf16_to_gbk(std::u16string_view utf16) {
  Text gbk;
  gbk.reserve(utf16.size() * 2);
  write_gbk(utf16, utf16.size(), false, gbk);
  return gbk;
}

Text wide_to_gbk(const Bytes& utf16le) {
  const LittleEndianUnits units{utf16le.data()};
  std::size_t n = 0;
  while (n < utf16le.size() / 2 && units[n] != 0) ++n;  // an odd last byte is no unit
  Text gbk;
  gbk.reserve(n * 2);
  write_gbk(units, n, true, gbk);
  return gbk;
}

}  // namespace lv::base
