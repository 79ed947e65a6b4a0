#pragma once
// Loading a book's information page and its cover.
#include "base/text.h"
#include "scrape/book_page.h"

namespace lv::routines {

enum class PageLoader {
  fetch,     // the page fetch (what "查看信息" uses)
  download,  // the page download (what "刷新信息" uses)
};

lv::base::Text load_book_page(std::string_view book_address, PageLoader loader);
lv::scrape::BookInfo load_book_info(std::string_view book_address, PageLoader loader);
lv::base::Bytes load_cover(std::string_view cover_address);

}  // namespace lv::routines
