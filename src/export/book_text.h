#pragma once
// What the EPUB and the text writer say alike about a book: the author
// without its label, the titles that stand in for empty ones, the note for a
// chapter that is not stored, and how a text breaks into lines.
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

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

// A book without chapters has nothing to export (NoChaptersError). A chapter
// marked stored with an empty text was read without its text (the library
// stores no empty text); exporting it would lose the chapter quietly.
void require_exportable(const lv::library::StoredBook& book);

}  // namespace lv::exporting
