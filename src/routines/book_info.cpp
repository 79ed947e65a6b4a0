#include "routines/book_info.h"

#include "net/download.h"
#include "net/page_fetch.h"
#include "routines/rules_in_force.h"

namespace lv::routines {

lv::base::Text load_book_page(std::string_view book_address, PageLoader loader, lv::net::TransferOutcome* outcome) {
  if (loader == PageLoader::fetch) {
    return lv::net::fetch_page(book_address, std::nullopt, std::nullopt, std::nullopt, std::nullopt, nullptr,
                               outcome);
  }
  lv::net::DownloadRequest request;
  request.url = lv::base::Text(book_address);
  request.outcome_out = outcome;
  return lv::net::download_text(request);
}

lv::scrape::BookInfo load_book_info(std::string_view book_address, PageLoader loader,
                                    lv::net::TransferOutcome* outcome) {
  return lv::scrape::parse_book_page(load_book_page(book_address, loader, outcome), rules_in_force()->book_page);
}

lv::base::Bytes load_cover(std::string_view cover_address, std::string_view book_address,
                           lv::net::TransferOutcome* outcome) {
  lv::net::DownloadRequest request;
  request.url = lv::base::Text(cover_address);
  request.origin = std::string(book_address);
  request.outcome_out = outcome;
  return lv::net::download_bytes(request);
}

}  // namespace lv::routines
