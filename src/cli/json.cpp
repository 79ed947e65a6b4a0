#include "cli/json.h"

#include <algorithm>
#include <cstdio>

#include "base/code_page.h"

namespace lv::cli {

void append_json_string(std::string& out, std::string_view utf8) {
  out.reserve(out.size() + utf8.size() + 2);
  out.push_back('"');
  // Runs of bytes that need no escape go out whole.
  std::size_t run = 0;
  for (std::size_t i = 0; i < utf8.size(); ++i) {
    const char c = utf8[i];
    if (static_cast<unsigned char>(c) >= 0x20 && c != '"' && c != '\\') continue;
    out.append(utf8.data() + run, i - run);
    run = i + 1;
    switch (c) {
      case '"': out += "\\\""; break;
      case '\\': out += "\\\\"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\t': out += "\\t"; break;
      case '\b': out += "\\b"; break;
      case '\f': out += "\\f"; break;
      default: {
        char escaped[8];
        std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned>(static_cast<unsigned char>(c)));
        out += escaped;
      }
    }
  }
  out.append(utf8.data() + run, utf8.size() - run);
  out.push_back('"');
}

std::string json_string(std::string_view utf8) {
  std::string out;
  append_json_string(out, utf8);
  return out;
}

void append_json_gbk(std::string& out, std::string_view gbk) {
  thread_local std::string utf8;  // one room for every value of a line
  lv::base::gbk_to_utf8_into(gbk, utf8);
  append_json_string(out, utf8);
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
