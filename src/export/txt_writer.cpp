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

// The whole file in GBK: the book's texts are GBK already and go in unchanged.
Text book_as_gbk_text(const lv::library::StoredBook& book) {
  Text out;
  std::size_t size = 1024;
  for (const auto& chapter : book.chapters) size += chapter.title.size() + chapter.text.size() + 64;
  out.reserve(size);

  out += book_title(book);
  out += kLineEnd;
  const Text author = author_name(book.details.author);
  if (!author.empty()) {
    out += gbk("作者：") + author;
    out += kLineEnd;
  }
  out += kLineEnd;
  if (append_lines(out, book.details.intro)) out += kLineEnd;
  for (std::size_t i = 0; i < book.chapters.size(); ++i) {
    const auto& chapter = book.chapters[i];
    out += chapter_title(chapter, i);
    out += kLineEnd;
    if (chapter.stored) {
      append_lines(out, chapter.text);
    } else {
      out += gbk(missing_note_utf8(chapter));
      out += kLineEnd;
    }
    out += kLineEnd;
  }
  return out;
}

}  // namespace

void write_txt(const lv::library::StoredBook& book, const std::string& path, TextEncoding encoding) {
  require_texts(book);
  const Text text = book_as_gbk_text(book);
  replace_file(path, encoding == TextEncoding::gbk ? text : lv::base::gbk_to_utf8(text));
}

}  // namespace lv::exporting
