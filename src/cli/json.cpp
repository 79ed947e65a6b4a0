#include "cli/json.h"

#include <algorithm>
#include <cstdio>

#include "base/code_page.h"

namespace lv::cli {

std::string json_string(std::string_view utf8) {
  std::string out;
  out.reserve(utf8.size() + 2);
  out.push_back('"');
  for (const char c : utf8) {
    switch (c) {
      case '"': out += "\\\""; break;
      case '\\': out += "\\\\"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\t': out += "\\t"; break;
      case '\b': out += "\\b"; break;
      case '\f': out += "\\f"; break;
      default:
        if (static_cast<unsigned char>(c) < 0x20) {
          char escaped[8];
          std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned>(static_cast<unsigned char>(c)));
          out += escaped;
        } else {
          out.push_back(c);
        }
    }
  }
  out.push_back('"');
  return out;
}

std::string json_gbk(std::string_view gbk) { return json_string(lv::base::gbk_to_utf8(gbk)); }

namespace {

constexpr std::size_t kPiece = 256u << 10;

// Where a piece may end: never between the two bytes of a character, by the
// same shape rule the conversion uses (a lead byte and a trail byte are one
// character, whether or not it maps).
std::size_t piece_end(std::string_view gbk, std::size_t from) {
  const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(gbk[i]); };
  std::size_t i = from;
  const std::size_t target = std::min(gbk.size(), from + kPiece);
  while (i < target) {
    const bool pair = byte(i) >= 0x81 && byte(i) <= 0xFE && i + 1 < gbk.size() && byte(i + 1) >= 0x40 &&
                      byte(i + 1) <= 0xFE && byte(i + 1) != 0x7F;
    i += pair ? 2 : 1;
  }
  return i;
}

}  // namespace

void write_json_gbk(std::FILE* out, std::string_view gbk) {
  std::fputc('"', out);
  for (std::size_t at = 0; at < gbk.size();) {
    const std::size_t end = piece_end(gbk, at);
    const std::string literal = json_string(lv::base::gbk_to_utf8(gbk.substr(at, end - at)));
    std::fwrite(literal.data() + 1, 1, literal.size() - 2, out);  // without its quotes
    at = end;
  }
  std::fputc('"', out);
}

}  // namespace lv::cli
