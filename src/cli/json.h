#pragma once
// JSON output of the command-line front end: UTF-8, one value per line.
#include <cstdio>
#include <string>
#include <string_view>

#include <nlohmann/json.hpp>

namespace lv::cli {

// One line's value; its keys stay in the order they were given.
using Json = nlohmann::ordered_json;

// A GBK text as a JSON string (in UTF-8).
Json gbk_value(std::string_view gbk);
// `value` as compact JSON text; non-ASCII stays as it is, and bytes that are
// no UTF-8 (a file name may hold them) become U+FFFD.
std::string json_text(const Json& value);
// Writes `value` and a line end to standard output.
void print_line(const Json& value);
// Writes the JSON string of a GBK text to `out`, converted and escaped piece
// by piece, so that a long text is not held again in UTF-8.
void write_json_gbk(std::FILE* out, std::string_view gbk);

}  // namespace lv::cli
