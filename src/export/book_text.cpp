#include "export/book_text.h"

#include "base/code_page.h"
#include "export/book_export.h"

namespace lv::exporting {

using lv::base::gbk;
using lv::base::trim_both;

std::size_t missing_chapters(const lv::library::StoredBook& book) {
  std::size_t n = 0;
  for (const auto& chapter : book.chapters) n += chapter.stored ? 0 : 1;
  return n;
}

Text author_name(const Text& author) {
  Text name = trim_both(author);
  for (const Text& label : {gbk("作者："), gbk("作者:")}) {
    if (name.starts_with(label)) return trim_both(std::string_view(name).substr(label.size()));
  }
  return name;
}

Text book_title(const lv::library::StoredBook& book) {
  Text title = trim_both(book.details.name);
  return title.empty() ? Text(book.book) : title;
}

Text chapter_title(const lv::library::StoredChapter& chapter, std::size_t position) {
  Text title = trim_both(chapter.title);
  if (!title.empty()) return title;
  return gbk("第" + std::to_string(position + 1) + "章");
}

std::string missing_note_utf8(const lv::library::StoredChapter& chapter) {
  return "本章未能取回：" + lv::base::chinese(chapter.missing.failed() ? chapter.missing
                                                                   : lv::base::Failure::of(lv::base::FailureKind::not_fetched_yet));
}

std::vector<std::string_view> split_lines(std::string_view text) {
  std::vector<std::string_view> lines;
  while (!text.empty()) {
    const std::size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    if (line.ends_with('\r')) line.remove_suffix(1);
    lines.push_back(line);
    if (end == std::string_view::npos) break;
    text.remove_prefix(end + 1);
  }
  return lines;
}

bool is_blank_utf8(std::string_view line) {
  constexpr std::string_view kIdeographicSpace = "\xE3\x80\x80";  // U+3000
  while (!line.empty()) {
    if (line.front() == ' ' || line.front() == '\t') {
      line.remove_prefix(1);
    } else if (line.starts_with(kIdeographicSpace)) {
      line.remove_prefix(kIdeographicSpace.size());
    } else {
      return false;
    }
  }
  return true;
}

void require_exportable(const lv::library::StoredBook& book) {
  if (book.chapters.empty()) throw NoChaptersError("the book has no chapters");
  for (const auto& chapter : book.chapters) {
    if (chapter.stored && chapter.text.empty()) {
      throw ExportError("chapter " + std::to_string(chapter.index + 1) +
                        " is stored but its text was not read from the library");
    }
  }
}

}  // namespace lv::exporting
