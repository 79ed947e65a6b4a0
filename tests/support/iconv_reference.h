#pragma once
// The code page conversions as first written: glibc iconv walked over the
// whole input, restarted after every sequence it refuses. Slow (one iconv
// call per bad sequence), but it is what the table-driven conversions must
// reproduce byte for byte; tests, fuzz targets and benchmarks compare
// against it.
#include <iconv.h>

#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <string>
#include <string_view>

namespace lv::test {

namespace iconv_ref_detail {

class Iconv final {
 public:
  Iconv(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
  ~Iconv() {
    if (valid()) iconv_close(cd_);
  }
  Iconv(const Iconv&) = delete;
  Iconv& operator=(const Iconv&) = delete;
  bool valid() const { return cd_ != reinterpret_cast<iconv_t>(-1); }
  iconv_t get() const { return cd_; }

 private:
  iconv_t cd_;
};

inline const char* gbk_name() {
  for (const char* name : {"CP936", "GBK", "GB18030"}) {
    Iconv cd(name, "UTF-8");
    if (cd.valid()) return name;
  }
  return "ASCII";
}

inline unsigned char u8(char c) { return static_cast<unsigned char>(c); }

// Runs iconv over the input; where it stops at a sequence it refuses, `skip`
// says how many bytes to step over and `replacement` goes out instead.
// (The first version regrew and zero-filled its buffer at every such stop;
// how the buffer grows does not change what is written.)
template <typename Skip>
std::string convert(const char* to, const char* from, std::string_view in,
                    std::string_view replacement, Skip skip) {
  std::string out;
  if (in.empty()) return out;
  Iconv cd(to, from);
  if (!cd.valid()) return out;
  out.resize(in.size() * 2 + 16);
  char* src = const_cast<char*>(in.data());
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
    const std::size_t n =
        std::min(src_left, std::max<std::size_t>(1, skip(std::string_view(src, src_left))));
    if (out.size() - written < replacement.size()) out.resize(out.size() * 2);
    written += replacement.copy(out.data() + written, replacement.size());
    src += n;
    src_left -= n;
    iconv(cd.get(), nullptr, nullptr, nullptr, nullptr);
  }
  out.resize(written);
  return out;
}

inline std::size_t gbk_bad_length(std::string_view s) {
  if (s.size() >= 2) {
    const unsigned char lead = u8(s[0]), trail = u8(s[1]);
    if (lead >= 0x81 && lead <= 0xFE && trail >= 0x40 && trail <= 0xFE && trail != 0x7F) return 2;
  }
  return 1;
}

inline std::size_t utf8_bad_length(std::string_view s) {
  const unsigned char c = u8(s[0]);
  std::size_t n = c >= 0xF0 && c <= 0xF4 ? 4 : c >= 0xE0 ? 3 : c >= 0xC2 && c < 0xE0 ? 2 : 1;
  if (c >= 0xF5 || n > s.size()) return 1;
  for (std::size_t i = 1; i < n; ++i) {
    if ((u8(s[i]) & 0xC0) != 0x80) return 1;
  }
  return n;
}

inline std::size_t utf16_bad_length(std::string_view s) {
  if (s.size() < 2) return s.size();
  const unsigned unit = u8(s[0]) | (u8(s[1]) << 8);
  if (unit >= 0xD800 && unit <= 0xDBFF && s.size() >= 4) {
    const unsigned next = u8(s[2]) | (u8(s[3]) << 8);
    if (next >= 0xDC00 && next <= 0xDFFF) return 4;
  }
  return 2;
}

}  // namespace iconv_ref_detail

inline std::string ref_gbk_to_utf8(std::string_view gbk) {
  using namespace iconv_ref_detail;
  return convert("UTF-8", gbk_name(), gbk, "\xEF\xBF\xBD", gbk_bad_length);
}

inline std::string ref_utf8_to_gbk(std::string_view utf8) {
  using namespace iconv_ref_detail;
  return convert(gbk_name(), "UTF-8", utf8, "?", utf8_bad_length);
}

inline std::u16string ref_gbk_to_utf16(std::string_view gbk) {
  using namespace iconv_ref_detail;
  const std::string le = convert("UTF-16LE", gbk_name(), gbk, "\xFD\xFF", gbk_bad_length);
  std::u16string out(le.size() / 2, u'\0');
  for (std::size_t i = 0; i < out.size(); ++i) {
    out[i] = static_cast<char16_t>(u8(le[2 * i]) | (u8(le[2 * i + 1]) << 8));
  }
  return out;
}

inline std::string ref_utf16_to_gbk(std::u16string_view utf16) {
  using namespace iconv_ref_detail;
  std::string le(utf16.size() * 2, '\0');
  for (std::size_t i = 0; i < utf16.size(); ++i) {
    le[2 * i] = static_cast<char>(utf16[i] & 0xFF);
    le[2 * i + 1] = static_cast<char>(utf16[i] >> 8);
  }
  return convert(gbk_name(), "UTF-16LE", le, "?", utf16_bad_length);
}

// UTF-16LE bytes up to the first zero unit (an odd last byte is no unit).
inline std::u16string ref_wide_units(std::string_view utf16le) {
  std::u16string units;
  for (std::size_t i = 0; i + 1 < utf16le.size(); i += 2) {
    const auto unit = static_cast<char16_t>(iconv_ref_detail::u8(utf16le[i]) |
                                            (iconv_ref_detail::u8(utf16le[i + 1]) << 8));
    if (unit == 0) break;
    units.push_back(unit);
  }
  return units;
}

}  // namespace lv::test

namespace lv::test {

// Letters followed by combining marks composed pairwise, left to right, with
// `compose(base, mark)` (0: no composition); surrogates are left alone.
template <typename Compose>
std::u16string ref_compose(std::u16string_view units, Compose compose) {
  std::u16string out;
  for (std::size_t i = 0; i < units.size(); ++i) {
    char16_t c = units[i];
    const bool surrogate = c >= 0xD800 && c <= 0xDFFF;
    while (!surrogate && i + 1 < units.size()) {
      const char16_t composed = compose(c, units[i + 1]);
      if (composed == 0) break;
      c = composed;
      ++i;
    }
    out.push_back(c);
  }
  return out;
}

}  // namespace lv::test
