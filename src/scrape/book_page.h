#pragma once
// The book information page: name, cover address, author, category, status
// and introduction.
#include <string_view>

#include "scrape/extract.h"
#include "scrape/site_rules.h"

namespace lv::scrape {

// Every text shown (all but the cover address) has its character references decoded.
struct BookInfo {
  Text name;
  Text cover_address;
  Text author;     // with its "作者：" prefix
  Text category;   // with its "类别：" prefix
  Text status;     // with its "状态：" prefix
  Text intro;      // cleaned: the first nine "</b><br />" become CR LF, then every break tag, then references
};

BookInfo parse_book_page(std::string_view body, const BookPageRules& rules = built_in_rules().book_page);

// Applies cleaning steps in order, each to the output of the one before.
Text apply_cleaning(Text text, const std::vector<ReplaceRule>& steps);

}  // namespace lv::scrape
