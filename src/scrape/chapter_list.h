#pragma once
// The chapter links of a book page.
#include <string_view>

#include "scrape/extract.h"
#include "scrape/site_rules.h"

namespace lv::scrape {

struct ChapterList {
  Text book_title;       // between "<h1>" and "</h1>", untrimmed
  ResultList titles;     // as cut; may hold more or fewer than addresses
  ResultList addresses;  // the number of chapters is the number of addresses
};

ChapterList parse_chapter_list(std::string_view body, const ChapterListRules& rules = built_in_rules().chapter_list);

}  // namespace lv::scrape
