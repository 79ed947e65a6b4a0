#pragma once
// The category listing page: titles, book addresses and latest chapters.
#include <string_view>

#include "scrape/extract.h"
#include "scrape/site_rules.h"

namespace lv::scrape {

// The three lists of one listing page, with the first entry of each dropped.
// Entry i of each list belongs to the same book; the book addresses list
// decides how many books the page holds.
struct ListingEntries {
  ResultList titles;     // stored as 《title》; titles and latest chapters with references decoded
  ResultList addresses;
  ResultList latest;
};

// site_host is the host (with ":port" if any) that the page's absolute
// links name; it completes the titles end marker.
ListingEntries parse_listing_page(std::string_view body, std::string_view site_host,
                                  const ListingRules& rules = built_in_rules().listing);

// Whether the page holds a listing at all: a book address or latest-chapter
// start marker where the cuts look. A block, verification or error page does not.
bool has_listing_markers(std::string_view body, std::string_view site_host,
                         const ListingRules& rules = built_in_rules().listing);

// The fixed category every row is filed under: "[修真小说]" in GBK.
const Text& listing_category();

}  // namespace lv::scrape
