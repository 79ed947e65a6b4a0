#include "cli/json.h"

#include <algorithm>

#include "base/code_page.h"

namespace lv::cli {

Json gbk_value(std::string_view gbk) { return lv::base::gbk_to_utf8(gbk); }

std::string json_text(const Json& value) { return value.dump(-1, ' ', false, Json::error_handler_t::replace); }

void print_line(const Json& value) {
  std::string line = json_text(value);
  line += '\n';
  std::fwrite(line.data(), 1, line.size(), stdout);
}

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
    const std::string literal = json_text(gbk_value(gbk.substr(at, end - at)));
    std::fwrite(literal.data() + 1, 1, literal.size() - 2, out);  // without its quotes
    at = end;
  }
  std::fputc('"', out);
}

}  // namespace lv::cli
