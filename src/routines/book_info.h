#pragma once
// Loading a book's information page and its cover.
#include "base/text.h"
#include "net/transfer_outcome.h"
#include "scrape/book_page.h"

namespace lv::routines {

enum class PageLoader {
  fetch,     // the page fetch (what "查看信息" uses)
  download,  // the page download (what "刷新信息" uses)
};

// `outcome`, when given, receives how the transfer ended.
lv::base::Text load_book_page(std::string_view book_address, PageLoader loader,
                              lv::net::TransferOutcome* outcome = nullptr);
lv::scrape::BookInfo load_book_info(std::string_view book_address, PageLoader loader,
                                    lv::net::TransferOutcome* outcome = nullptr);
// The cover named on the book page at `book_address`: it may lead only where
// that page's own site may (no loopback or private address from a public site).
lv::base::Bytes load_cover(std::string_view cover_address, std::string_view book_address,
                           lv::net::TransferOutcome* outcome = nullptr);

}  // namespace lv::routines
