#include "base/code_page.h"
#include "export/atomic_file.h"
#include "export/book_export.h"
#include "export/book_text.h"

namespace lv::exporting {
namespace {

using lv::base::gbk;
using lv::base::trim_both;

constexpr std::string_view kLineEnd = "\r\n";

// The text's lines with CR LF ends, without the blank lines before the first
// line and after the last; those between are the author's spacing and stay
// (written empty).
// False when nothing but blank lines was there.
bool append_lines(Text& out, std::string_view text) {
  const std::vector<std::string_view> lines = split_lines(text);
  std::size_t first = 0, end = lines.size();
  while (first < end && trim_both(lines[first]).empty()) ++first;
  while (end > first && trim_both(lines[end - 1]).empty()) --end;
  for (std::size_t i = first; i < end; ++i) {
    if (!trim_both(lines[i]).empty()) out += lines[i];  // a blank line is written empty
    out += kLineEnd;
  }
  return first < end;
}

// The file's bytes. The book's texts are GBK and go into a GBK file as they
// are; for UTF-8 they are converted a chapter at a time, which keeps the cost
// of a conversion's repairs bounded by the chapter's size.
std::string book_text(const lv::library::StoredBook& book, TextEncoding encoding) {
  const bool utf8 = encoding == TextEncoding::utf8;
  std::size_t size = 1024;
  for (const auto& chapter : book.chapters) size += chapter.title.size() + chapter.text.size() + 64;
  std::string out;
  out.reserve(utf8 ? size / 2 * 3 : size);  // a Chinese character: 2 bytes in GBK, 3 in UTF-8

  Text piece;  // GBK, waiting to be written
  auto flush = [&] {
    out += utf8 ? lv::base::gbk_to_utf8(piece) : piece;
    piece.clear();
  };

  piece += book_title(book);
  piece += kLineEnd;
  const Text author = author_name(book.details.author);
  if (!author.empty()) {
    piece += gbk("作者：") + author;
    piece += kLineEnd;
  }
  piece += kLineEnd;
  if (append_lines(piece, book.details.intro)) piece += kLineEnd;
  for (std::size_t i = 0; i < book.chapters.size(); ++i) {
    const auto& chapter = book.chapters[i];
    piece += chapter_title(chapter, i);
    piece += kLineEnd;
    if (chapter.stored) {
      append_lines(piece, chapter.text);
    } else {
      flush();  // the note is UTF-8: written as it is, or converted once
      const std::string note = missing_note_utf8(chapter);
      out += utf8 ? note : gbk(note);
      piece += kLineEnd;
    }
    piece += kLineEnd;
    flush();
  }
  flush();
  return out;
}

}  // namespace

void write_txt(const lv::library::StoredBook& book, const std::string& path, TextEncoding encoding) {
  require_texts(book);
  replace_file(path, book_text(book, encoding));
}

}  // namespace lv::exporting
