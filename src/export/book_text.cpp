#include "export/book_text.h"

#include "base/code_page.h"
#include "export/book_export.h"

namespace lv::exporting {

using lv::base::gbk;
using lv::base::gbk_to_utf8;
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

std::string_view without_leading_spaces_utf8(std::string_view line) {
  constexpr std::string_view kIdeographicSpace = "\xE3\x80\x80";  // U+3000
  while (!line.empty()) {
    if (line.front() == ' ' || line.front() == '\t') {
      line.remove_prefix(1);
    } else if (line.starts_with(kIdeographicSpace)) {
      line.remove_prefix(kIdeographicSpace.size());
    } else {
      break;
    }
  }
  return line;
}

bool is_blank_utf8(std::string_view line) { return without_leading_spaces_utf8(line).empty(); }

namespace {

// The GBK text without spaces, tabs, carriage returns and full-width spaces
// (A1 A1), read character by character so that no trail byte is taken for one.
Text spaceless_gbk(std::string_view text) {
  Text out;
  for (std::size_t i = 0; i < text.size();) {
    const auto c = static_cast<unsigned char>(text[i]);
    if (c >= 0x81 && i + 1 < text.size()) {
      if (c != 0xA1 || static_cast<unsigned char>(text[i + 1]) != 0xA1) out.append(text, i, 2);
      i += 2;
    } else {
      if (c != ' ' && c != '\t' && c != '\r') out += text[i];
      ++i;
    }
  }
  return out;
}

}  // namespace

std::string_view without_repeated_title(std::string_view text, std::string_view title) {
  const Text wanted = spaceless_gbk(title);
  if (wanted.empty()) return text;
  for (std::string_view rest = text; !rest.empty();) {
    const std::size_t end = rest.find('\n');
    const Text line = spaceless_gbk(rest.substr(0, end));
    const std::string_view after = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
    if (!line.empty()) return line == wanted ? after : text;
    rest = after;
  }
  return text;
}

const ChineseConverter* converter_for(ChineseScript script) {
  if (script == ChineseScript::as_written) return nullptr;
  if (const ChineseConverter* converter = shared_chinese_converter(script)) return converter;
  throw ExportError("the conversion " + std::string(script_name(script)) +
                    " is not available: OpenCC's tables for it are not installed");
}

std::string shown_utf8(std::string_view gbk, const ChineseConverter* converter) {
  std::string utf8 = gbk_to_utf8(gbk);
  return converter != nullptr ? converter->convert_utf8(utf8) : utf8;
}

std::string shown_words(std::string utf8, const ChineseConverter* converter) {
  return converter != nullptr ? converter->convert_utf8(utf8) : utf8;
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
