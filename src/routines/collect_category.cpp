#include "routines/collect_category.h"

#include "routines/rules_in_force.h"
#include "routines/site.h"
#include "scrape/listing_page.h"

namespace lv::routines {

namespace {

const Text& entry_or_empty(const lv::scrape::ResultList& list, std::size_t i) {
  static const Text empty;
  return i < list.size() ? list[i] : empty;
}

}  // namespace

CollectionReport collect_category(const CollectionOptions& options, SharedState& state, const RowsSink& sink) {
  CollectionReport report;
  Pace pace(options.retry);
  const auto rules = rules_in_force();
  const lv::scrape::ListingRules& listing = rules->listing;
  for (int page = options.first_page; page <= options.last_page; ++page) {
    if (options.stop.stop_requested()) {
      report.stopped = true;
      break;
    }
    const Text address = listing_page_address(options.site_host, page);
    // The previous page goes before the next one arrives: two large pages are never held at once.
    state.set_listing_page_body(Text());
    FetchedPage fetched = download_page_with_retries(address, options.retry, pace, options.stop,
                                                     [&](const Text& body) { return lv::scrape::has_listing_markers(body, options.site_host, listing); });
    if (fetched.stopped) {
      report.stopped = true;
      break;
    }
    ++report.pages_fetched;
    if (!fetched.good) {
      // A page that never came whole adds no rows: half a page would pass
      // for a whole one.
      report.missing.push_back(MissingPage{page, address, std::move(fetched.problem), fetched.outcome, fetched.tries,
                                           fetched.lacked_markers});
      state.set_listing_page_body(std::move(fetched.body));
      continue;
    }
    const lv::scrape::ListingEntries entries = lv::scrape::parse_listing_page(fetched.body, options.site_host, listing);
    state.set_listing_page_body(std::move(fetched.body));

    std::vector<BookRecord> rows;
    rows.reserve(entries.addresses.size());
    for (std::size_t i = 0; i < entries.addresses.size(); ++i) {
      // A page with fewer titles or latest chapters than addresses leaves
      // those cells empty rather than shifting or stopping.
      rows.push_back(BookRecord{state.next_book_id(), entry_or_empty(entries.titles, i),
                                entry_or_empty(entries.latest, i), entries.addresses[i],
                                listing.category});
    }
    if (!rows.empty()) sink(std::move(rows));
  }
  return report;
}

}  // namespace lv::routines
