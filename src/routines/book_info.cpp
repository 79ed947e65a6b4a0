#include "routines/book_info.h"

#include "net/download.h"
#include "net/page_fetch.h"

namespace lv::routines {

lv::base::Text load_book_page(std::string_view book_address, PageLoader loader) {
  return loader == PageLoader::fetch ? lv::net::fetch_page(book_address)
                                     : lv::net::download_text(book_address);
}

lv::scrape::BookInfo load_book_info(std::string_view book_address, PageLoader loader) {
  return lv::scrape::parse_book_page(load_book_page(book_address, loader));
}

lv::base::Bytes load_cover(std::string_view cover_address) {
  return lv::net::download_bytes(cover_address);
}

}  // namespace lv::routines
