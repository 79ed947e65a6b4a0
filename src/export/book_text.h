#pragma once
// What the EPUB and the text writer say alike about a book: the author
// without its label, the titles that stand in for empty ones, the note for a
// chapter that is not stored, how a text breaks into lines, the first line
// that only repeats the title, and the script the texts are shown in.
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "export/chinese_script.h"
#include "library/library.h"

namespace lv::exporting {

using lv::base::Text;

// The author's name without the "作者：" label the book page shows (GBK).
Text author_name(const Text& author);
// The book's name, or its address when it has none (GBK).
Text book_title(const lv::library::StoredBook& book);
// The chapter's title, or "第N章" (N counted from 1) when it has none (GBK).
Text chapter_title(const lv::library::StoredChapter& chapter, std::size_t position);
// "本章未能取回：" followed by the reason in Chinese (UTF-8).
std::string missing_note_utf8(const lv::library::StoredChapter& chapter);

// Lines ending in CR LF or LF; a final line end opens no further line.
std::vector<std::string_view> split_lines(std::string_view text);
std::vector<std::string_view> split_lines(std::string&&) = delete;  // the lines would dangle
// A line of nothing but spaces, tabs and full-width spaces (UTF-8).
bool is_blank_utf8(std::string_view line);
// The line without the spaces, tabs and full-width spaces it begins with (UTF-8).
std::string_view without_leading_spaces_utf8(std::string_view line);

// The chapter text (GBK) without its first line when that line only repeats
// the title, as many sites begin a chapter; spaces and full-width spaces do
// not count in the comparison. Otherwise the text as it is.
std::string_view without_repeated_title(std::string_view text, std::string_view title);
std::string_view without_repeated_title(std::string&&, std::string_view) = delete;  // would dangle

// The converter for the script; nullptr for the site's own script.
// ExportError when the script's tables are not installed.
const ChineseConverter* converter_for(ChineseScript script);
// A GBK text of the book in UTF-8, in the converter's script when there is one.
std::string shown_utf8(std::string_view gbk, const ChineseConverter* converter);
// The program's own words (UTF-8) in the converter's script.
std::string shown_words(std::string utf8, const ChineseConverter* converter);

// A book without chapters has nothing to export (NoChaptersError). A chapter
// marked stored with an empty text was read without its text (the library
// stores no empty text); exporting it would lose the chapter quietly.
void require_exportable(const lv::library::StoredBook& book);

}  // namespace lv::exporting
