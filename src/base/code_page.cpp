#include "base/code_page.h"

#include <iconv.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
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
  Iconv(Iconv&& other) noexcept : cd_(std::exchange(other.cd_, invalid())) {}
  Iconv& operator=(Iconv&& other) noexcept {
    if (this != &other) {
      if (valid()) iconv_close(cd_);
      cd_ = std::exchange(other.cd_, invalid());
    }
    return *this;
  }

  bool valid() const { return cd_ != invalid(); }
  iconv_t get() const { return cd_; }

 private:
  static iconv_t invalid() { return reinterpret_cast<iconv_t>(-1); }
  iconv_t cd_;
};

// Code page 936 maps 0x80 to the euro sign; plain GBK tables may not.
Iconv open_gbk(bool towards_gbk, const char* unicode) {
  for (const char* name : {"CP936", "GBK", "GB18030"}) {
    Iconv cd = towards_gbk ? Iconv(name, unicode) : Iconv(unicode, name);
    if (cd.valid()) return cd;
  }
  return Iconv("ASCII", "ASCII");
}

enum Direction { kGbkToUtf8, kUtf8ToGbk, kGbkToUtf16, kUtf16ToGbk };

// Descriptors are not safe to share between threads; each thread opens its
// own, and only the directions it uses.
Iconv& converter(Direction which) {
  switch (which) {
    case kGbkToUtf8: {
      thread_local Iconv cd = open_gbk(false, "UTF-8");
      return cd;
    }
    case kUtf8ToGbk: {
      thread_local Iconv cd = open_gbk(true, "UTF-8");
      return cd;
    }
    case kGbkToUtf16: {
      thread_local Iconv cd = open_gbk(false, "UTF-16LE");
      return cd;
    }
    default: {
      thread_local Iconv cd = open_gbk(true, "UTF-16LE");
      return cd;
    }
  }
}

// Runs iconv over the whole input. Where it stops at an invalid or
// unconvertible sequence, `skip` says how many input bytes to step over and
// `replacement` goes to the output instead, so a conversion always finishes.
template <typename Skip>
std::string convert(Direction which, std::string_view in, std::string_view replacement, Skip skip) {
  std::string out;
  if (in.empty()) return out;
  Iconv& cd = converter(which);
  if (!cd.valid()) return out;
  iconv(cd.get(), nullptr, nullptr, nullptr, nullptr);  // forget any earlier state

  out.resize(in.size() * 2 + 16);
  char* src = const_cast<char*>(in.data());  // iconv's interface is not const-correct
  std::size_t src_left = in.size();
  std::size_t written = 0;
  while (src_left > 0) {
    char* dst = out.data() + written;
    std::size_t dst_left = out.size() - written;
    const std::size_t r = iconv(cd.get(), &src, &src_left, &dst, &dst_left);
    written = out.size() - dst_left;
    if (r != static_cast<std::size_t>(-1)) break;
    if (errno == E2BIG) {
      out.resize(out.size() * 2);
      continue;
    }
    // EILSEQ or EINVAL (a sequence cut off at the end)
    const std::size_t n = std::min(src_left, std::max<std::size_t>(1, skip(std::string_view(src, src_left))));
    out.resize(written);
    out.append(replacement);
    written = out.size();
    out.resize(std::max(out.size() * 2, written + src_left * 2 + 16));
    src += n;
    src_left -= n;
    iconv(cd.get(), nullptr, nullptr, nullptr, nullptr);
  }
  out.resize(written);
  return out;
}

inline unsigned char u8(char c) { return static_cast<unsigned char>(c); }

// A GBK pair that has the shape of a character but no mapping is one bad
// character; anything else bad is one bad byte (its successor may be ASCII).
std::size_t gbk_bad_length(std::string_view s) {
  if (s.size() >= 2) {
    const unsigned char lead = u8(s[0]), trail = u8(s[1]);
    if (lead >= 0x81 && lead <= 0xFE && trail >= 0x40 && trail <= 0xFE && trail != 0x7F) return 2;
  }
  return 1;
}

// The length of a well-formed UTF-8 sequence at the start of s, or 1.
std::size_t utf8_bad_length(std::string_view s) {
  const unsigned char c = u8(s[0]);
  std::size_t n = c >= 0xF0 && c <= 0xF4 ? 4 : c >= 0xE0 ? 3 : c >= 0xC2 && c < 0xE0 ? 2 : 1;
  if (c >= 0xF5 || n > s.size()) return 1;
  for (std::size_t i = 1; i < n; ++i) {
    if ((u8(s[i]) & 0xC0) != 0x80) return 1;
  }
  return n;
}

// One unit, or two for a well-formed surrogate pair (little-endian bytes).
std::size_t utf16_bad_length(std::string_view s) {
  if (s.size() < 2) return s.size();
  const unsigned unit = u8(s[0]) | (u8(s[1]) << 8);
  if (unit >= 0xD800 && unit <= 0xDBFF && s.size() >= 4) {
    const unsigned next = u8(s[2]) | (u8(s[3]) << 8);
    if (next >= 0xDC00 && next <= 0xDFFF) return 4;
  }
  return 2;
}

constexpr std::string_view kUtf8Replacement = "\xEF\xBF\xBD";   // U+FFFD
constexpr std::string_view kUtf16Replacement = "\xFD\xFF";      // U+FFFD, little-endian

}  // namespace

std::string gbk_to_utf8(std::string_view gbk) {
  return convert(kGbkToUtf8, gbk, kUtf8Replacement, gbk_bad_length);
}

Text utf8_to_gbk(std::string_view utf8) {
  return convert(kUtf8ToGbk, utf8, "?", utf8_bad_length);
}

std::u16string gbk_to_utf16(std::string_view gbk) {
  const std::string le = convert(kGbkToUtf16, gbk, kUtf16Replacement, gbk_bad_length);
  std::u16string out(le.size() / 2, u'\0');
  for (std::size_t i = 0; i < out.size(); ++i) {
    out[i] = static_cast<char16_t>(u8(le[2 * i]) | (u8(le[2 * i + 1]) << 8));
  }
  return out;
}

Text utf16_to_gbk(std::u16string_view utf16) {
  std::string le(utf16.size() * 2, '\0');
  for (std::size_t i = 0; i < utf16.size(); ++i) {
    le[2 * i] = static_cast<char>(utf16[i] & 0xFF);
    le[2 * i + 1] = static_cast<char>(utf16[i] >> 8);
  }
  return convert(kUtf16ToGbk, le, "?", utf16_bad_length);
}

Text wide_to_gbk(const Bytes& utf16le) {
  std::u16string units;
  const std::size_t n = utf16le.size() / 2;  // an odd last byte is no unit
  units.reserve(n);
  for (std::size_t i = 0; i < n; ++i) {
    const char16_t unit = static_cast<char16_t>(utf16le.data()[2 * i] | (utf16le.data()[2 * i + 1] << 8));
    if (unit == 0) break;
    units.push_back(unit);
  }
  return utf16_to_gbk(units);
}

}  // namespace lv::base
