#include "routines/collect_category.h"

#include "net/download.h"
#include "routines/site.h"
#include "scrape/listing_page.h"

namespace lv::routines {

namespace {

const Text& entry_or_empty(const lv::scrape::ResultList& list, std::size_t i) {
  static const Text empty;
  return i < list.size() ? list[i] : empty;
}

}  // namespace

int collect_category(const CollectionOptions& options, SharedState& state, const RowsSink& sink) {
  int fetched = 0;
  for (int page = options.first_page; page <= options.last_page; ++page) {
    if (options.stop != nullptr && options.stop->load()) break;
    state.set_listing_page_body(lv::net::download_text(listing_page_address(options.site_host, page)));
    ++fetched;
    // Parse the shared body through a copy: the global may be replaced by the
    // time a second reader looks at it.
    const lv::scrape::ListingEntries entries =
        lv::scrape::parse_listing_page(state.listing_page_body(), options.site_host);

    std::vector<BookRecord> rows;
    rows.reserve(entries.addresses.size());
    for (std::size_t i = 0; i < entries.addresses.size(); ++i) {
      // A page with fewer titles or latest chapters than addresses leaves
      // those cells empty rather than shifting or stopping.
      rows.push_back(BookRecord{state.next_book_id(), entry_or_empty(entries.titles, i),
                                entry_or_empty(entries.latest, i), entries.addresses[i],
                                lv::scrape::listing_category()});
    }
    if (!rows.empty()) sink(std::move(rows));
  }
  return fetched;
}

}  // namespace lv::routines
