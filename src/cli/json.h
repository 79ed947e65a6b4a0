#pragma once
// JSON output of the command-line front end: UTF-8, one value per line.
#include <cstdio>
#include <string>
#include <string_view>

namespace lv::cli {

// A JSON string literal of a UTF-8 text.
std::string json_string(std::string_view utf8);
// A JSON string literal of a GBK text (converted to UTF-8 first).
std::string json_gbk(std::string_view gbk);
// The same literals added to the end of `out`, for lines built piece by piece.
void append_json_string(std::string& out, std::string_view utf8);
void append_json_gbk(std::string& out, std::string_view gbk);
// Writes the JSON string literal of a GBK text to `out`, converted piece by
// piece, so that a long text is not held again in UTF-8 and escaped.
void write_json_gbk(std::FILE* out, std::string_view gbk);

}  // namespace lv::cli
