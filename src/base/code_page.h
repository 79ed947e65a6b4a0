#pragma once
// GBK (code page 936) to and from UTF-8 and UTF-16. What the target cannot
// hold is replaced (U+FFFD towards Unicode, '?' towards GBK); nothing fails.
// One small interface so another platform can put its own conversion behind it.
#include <string>
#include <string_view>

#include "base/text.h"

namespace lv::base {

std::string gbk_to_utf8(std::string_view gbk);
// The same into `utf8`, replacing what it held but keeping its room: many
// short texts converted one after another need no new room each.
void gbk_to_utf8_into(std::string_view gbk, std::string& utf8);
Text utf8_to_gbk(std::string_view utf8);
// The same, written over the UTF-8 text itself (GBK never takes more bytes
// than the UTF-8 it comes from), so a large page is not held twice.
Text utf8_to_gbk_in_place(Text&& utf8);
// The GBK text with '?' for each byte or pair that does not read as a
// character (where the conversions above put U+FFFD); the rest as it is.
Text gbk_repaired(std::string_view gbk);
std::u16string gbk_to_utf16(std::string_view gbk);
Text utf16_to_gbk(std::u16string_view utf16);

// UTF-16LE code units in a byte set (clipboard form) to GBK, stopping at the
// first zero code unit; an odd last byte is ignored. A letter followed by
// combining marks becomes the precomposed character where GBK has one, pair
// by pair ("a" U+0304 gives "ā", "u" U+0308 U+0304 gives "ǖ"); a mark that
// composes with nothing is converted on its own (to '?').
Text wide_to_gbk(const Bytes& utf16le);

}  // namespace lv::base

namespace lv::base {
// Shorthand for the program's own literals, written in UTF-8 in the source.
inline Text gbk(std::string_view utf8) { return utf8_to_gbk(utf8); }
}  // namespace lv::base
