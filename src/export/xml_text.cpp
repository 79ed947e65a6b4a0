#include "export/xml_text.h"

#include <cstddef>

namespace lv::exporting {
namespace {

constexpr std::string_view kReplacement = "\xEF\xBF\xBD";  // U+FFFD

inline unsigned byte_at(std::string_view s, std::size_t i) {
  return static_cast<unsigned char>(s[i]);
}

// The length of the well-formed UTF-8 sequence starting at `i` (lead byte
// 0x80 or above), or 0 when it is malformed: overlong forms, surrogates and
// values above U+10FFFF included.
std::size_t sequence_length(std::string_view s, std::size_t i) {
  const unsigned lead = byte_at(s, i);
  std::size_t n = 0;
  unsigned low = 0x80, high = 0xBF;  // bounds of the second byte
  if (lead >= 0xC2 && lead <= 0xDF) {
    n = 2;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    n = 3;
    if (lead == 0xE0) low = 0xA0;
    if (lead == 0xED) high = 0x9F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    n = 4;
    if (lead == 0xF0) low = 0x90;
    if (lead == 0xF4) high = 0x8F;
  } else {
    return 0;
  }
  if (i + n > s.size()) return 0;
  const unsigned second = byte_at(s, i + 1);
  if (second < low || second > high) return 0;
  for (std::size_t k = 2; k < n; ++k) {
    if ((byte_at(s, i + k) & 0xC0) != 0x80) return 0;
  }
  return n;
}

}  // namespace

void append_xml(std::string& out, std::string_view utf8) {
  std::size_t i = 0;
  std::size_t run = 0;  // start of the bytes still to copy as they are
  auto flush = [&] { out.append(utf8, run, i - run); };
  while (i < utf8.size()) {
    const unsigned c = byte_at(utf8, i);
    if (c >= 0x80) {
      const std::size_t n = sequence_length(utf8, i);
      if (n == 0) {
        flush();
        out.append(kReplacement);
        run = ++i;
      } else if (n == 3 && c == 0xEF && byte_at(utf8, i + 1) == 0xBF && byte_at(utf8, i + 2) >= 0xBE) {
        flush();  // U+FFFE, U+FFFF: not characters
        run = i += 3;
      } else {
        i += n;
      }
      continue;
    }
    std::string_view reference;
    switch (c) {
      case '&': reference = "&amp;"; break;
      case '<': reference = "&lt;"; break;
      case '>': reference = "&gt;"; break;
      case '"': reference = "&quot;"; break;
      case '\'': reference = "&#39;"; break;
      default:
        if (c < 0x20 && c != '\t' && c != '\n' && c != '\r') break;
        ++i;
        continue;
    }
    flush();
    out.append(reference);  // empty for a dropped control character
    run = ++i;
  }
  flush();
}

std::string xml_escaped(std::string_view utf8) {
  std::string out;
  out.reserve(utf8.size());
  append_xml(out, utf8);
  return out;
}

}  // namespace lv::exporting
