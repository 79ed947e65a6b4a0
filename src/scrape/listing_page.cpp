#include "scrape/listing_page.h"

#include "base/code_page.h"

namespace lv::scrape {

namespace {

// The first 139 bytes of a listing page are its DOCTYPE line and the start of
// the head; no book link can sit there.
constexpr int kListingStart = 140;

// Every list starts with an entry that is not a book of the list: the titles
// cut runs from the first site link above the list, and the others follow
// suit so that entry i of each list stays the same book.
void drop_first(ResultList& list) {
  if (!list.empty()) list.erase(list.begin());
}

}  // namespace

const Text& listing_category() {
  static const Text category = lv::base::gbk("[修真小说]");
  return category;
}

namespace {

const Text& address_start() {
  static const Text marker =
      "<li><span class=\"s1\">" + listing_category() + "</span><span class=\"s2\"><a href=\"";
  return marker;
}

constexpr std::string_view kLatestStart = ".html\" target=\"_blank\">";

}  // namespace

bool has_listing_markers(std::string_view body) {
  if (body.size() < static_cast<std::size_t>(kListingStart)) return false;
  const std::string_view searched = body.substr(kListingStart - 1);
  return searched.find(address_start()) != std::string_view::npos ||
         searched.find(kLatestStart) != std::string_view::npos;
}

ListingEntries parse_listing_page(std::string_view body, std::string_view site_host) {
  static const Text title_prefix = lv::base::gbk("《");
  static const Text title_suffix = lv::base::gbk("》");

  ListingEntries entries;
  ExtractOptions options;
  options.start_position = kListingStart;
  options.case_sensitive = true;

  ExtractOptions title_options = options;
  title_options.prefix = title_prefix;
  title_options.suffix = title_suffix;
  Text title_end = "</a></span><span class=\"s3\"><a href=\"http://";
  title_end += site_host;
  extract_all_between(body, "/\">", title_end, entries.titles, title_options);

  extract_all_between(body, address_start(), "\">", entries.addresses, options);
  extract_all_between(body, kLatestStart, "</a></span><span class=\"s4\">", entries.latest, options);

  drop_first(entries.latest);
  drop_first(entries.titles);
  drop_first(entries.addresses);
  return entries;
}

}  // namespace lv::scrape
