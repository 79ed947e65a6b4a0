#pragma once
// Writers of a stored book to files a reader takes elsewhere: an EPUB 3 book
// and a plain text file. The same book always gives the same bytes. A file is
// written next to its target under another name and renamed into place, so a
// failed export leaves the target as it was.
#include <cstddef>
#include <stdexcept>
#include <string>

#include "export/chinese_script.h"
#include "export/cover_image.h"
#include "library/library.h"

namespace lv::exporting {

enum class TextEncoding { utf8, gbk };

// The file could not be written, or the book cannot be exported as it is
// (stored chapters given without their texts).
struct ExportError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

// The book has no chapters: there is nothing to export, and no file is made.
struct NoChaptersError : ExportError {
  using ExportError::ExportError;
};

// What a written file lacks of what the library holds, for the user to be told.
struct ExportReport {
  CoverProblem cover_problem = CoverProblem::none;  // the site's cover, left out of the EPUB, and why
  std::size_t unheld_characters = 0;  // characters of the chosen script a GBK file cannot hold, written '?'
};

// Chapters whose text is not stored; they are exported as a note saying so.
std::size_t missing_chapters(const lv::library::StoredBook& book);

// Both throw NoChaptersError for a book without chapters, ExportError for
// the rest (a script whose tables are not installed among them); a target
// that is no regular file is refused (export_target.h). The titles, the
// book's details, the chapter texts and the file's own words are written in
// `script`; the same book in the same script always gives the same bytes.
ExportReport write_epub(const lv::library::StoredBook& book, const std::string& path,
                        ChineseScript script = ChineseScript::as_written);
ExportReport write_txt(const lv::library::StoredBook& book, const std::string& path,
                       TextEncoding encoding = TextEncoding::utf8, ChineseScript script = ChineseScript::as_written);

}  // namespace lv::exporting
