#pragma once
// The site host: the one web site every request goes to.
#include "base/text.h"

namespace lv::routines {

// A reserved name that reaches no real site; --site and --demo replace it.
inline constexpr const char* kDefaultSiteHost = "www.lorevane-books.example";

// "http://" + host + "/sort2/" + n + ".html"
lv::base::Text listing_page_address(std::string_view site_host, int page);
inline constexpr int kListingPageCount = 146;

}  // namespace lv::routines
