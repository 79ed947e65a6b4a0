#include "scrape/chapter_list.h"

#include "base/code_page.h"

namespace lv::scrape {

namespace {
// The book page's head (DOCTYPE line and the start of <head>) fills its first
// 87 bytes; chapter links are looked for after it.
constexpr int kChapterListStart = 88;
}  // namespace

ChapterList parse_chapter_list(std::string_view body) {
  // The address cut ends where the title attribute begins with "第", so only
  // links whose title names a numbered chapter end their own address.
  static const Text address_end = "\" title=\"" + lv::base::gbk("第");

  ChapterList list;
  ExtractOptions options;
  options.start_position = kChapterListStart;
  extract_all_between(body, "<dd><a href=\"", address_end, list.addresses, options);
  // The title cut starts after the quote, so a title keeps its leading "第".
  extract_all_between(body, "html\" title=\"", "\">", list.titles, options);
  list.book_title = extract_between(body, "<h1>", "</h1>");
  return list;
}

}  // namespace lv::scrape
