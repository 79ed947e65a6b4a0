#include "scrape/chapter_list.h"

namespace lv::scrape {

namespace {

void cut_all(std::string_view body, const CutRule& rule, ResultList& list) {
  ExtractOptions options;
  options.start_position = rule.from;
  options.case_sensitive = rule.case_sensitive;
  extract_all_between(body, fill_marker(rule.start, std::nullopt), fill_marker(rule.end, std::nullopt), list, options);
}

}  // namespace

ChapterList parse_chapter_list(std::string_view body, const ChapterListRules& rules) {
  ChapterList list;
  cut_all(body, rules.addresses, list.addresses);
  cut_all(body, rules.titles, list.titles);
  list.book_title = extract_between(body, fill_marker(rules.book_title.start, std::nullopt),
                                    fill_marker(rules.book_title.end, std::nullopt), rules.book_title.from,
                                    !rules.book_title.case_sensitive);
  return list;
}

}  // namespace lv::scrape
