#include "routines/collect_category.h"

#include <algorithm>
#include <map>
#include <optional>

#include "routines/page_fetcher.h"
#include "routines/rules_in_force.h"
#include "routines/site.h"
#include "scrape/listing_page.h"

namespace lv::routines {

namespace {

Text take_entry(lv::scrape::ResultList& list, std::size_t i) { return i < list.size() ? std::move(list[i]) : Text(); }

}  // namespace

CollectionReport collect_category(const CollectionOptions& options, SharedState& state, const RowsSink& sink) {
  CollectionReport report;
  const auto rules = rules_in_force();
  const lv::scrape::ListingRules& listing = rules->listing;
  std::optional<lv::net::Scheduler> own;
  lv::net::Scheduler& scheduler = options.scheduler != nullptr ? *options.scheduler : own.emplace(lv::net::Scheduler::Options{options.jobs});
  const int ahead = std::max(1, scheduler.per_host());

  PageFetcher fetcher(scheduler, options.retry, options.stop);
  const PageCheck holds_listing = [&options, &listing](const Text& body) {
    return lv::scrape::has_listing_markers(body, options.site_host, listing);
  };
  int next_to_ask = options.first_page;
  const auto ask_ahead = [&](int next_to_add) {
    for (; next_to_ask <= options.last_page && next_to_ask < next_to_add + ahead; ++next_to_ask) {
      fetcher.fetch(static_cast<std::size_t>(next_to_ask), listing_page_address(options.site_host, next_to_ask),
                    holds_listing);
    }
  };
  std::map<int, FetchedPage> arrived;  // pages that came before an earlier one
  for (int page = options.first_page; page <= options.last_page; ++page) {
    if (options.stop.stop_requested()) {
      report.stopped = true;
      break;
    }
    ask_ahead(page);
    while (arrived.find(page) == arrived.end()) {
      auto next = fetcher.next();
      if (!next) break;
      arrived.emplace(static_cast<int>(next->first), std::move(next->second));
    }
    // The stop is looked at before every page is added, whatever has come.
    const auto found = arrived.find(page);
    if (options.stop.stop_requested() || found == arrived.end()) {
      report.stopped = true;
      break;
    }
    FetchedPage fetched = std::move(found->second);
    arrived.erase(found);
    ++report.pages_fetched;
    // The previous page goes before this one is kept: two large pages are not held as the global.
    state.set_listing_page_body(Text());
    if (!fetched.good) {
      // A page that never came whole adds no rows: half a page would pass
      // for a whole one.
      report.missing.push_back(MissingPage{page, listing_page_address(options.site_host, page), fetched.failure});
      state.set_listing_page_body(std::move(fetched.body));
      if (options.page_done) options.page_done(report.pages_fetched);
      continue;
    }
    lv::scrape::ListingEntries entries = lv::scrape::parse_listing_page(fetched.body, options.site_host, listing);
    state.set_listing_page_body(std::move(fetched.body));

    std::vector<BookRecord> rows;
    rows.reserve(entries.addresses.size());
    for (std::size_t i = 0; i < entries.addresses.size(); ++i) {
      // A page with fewer titles or latest chapters than addresses leaves
      // those cells empty rather than shifting or stopping.
      rows.push_back(BookRecord{state.next_book_id(), take_entry(entries.titles, i), take_entry(entries.latest, i),
                                std::move(entries.addresses[i]), listing.category});
    }
    if (!rows.empty()) sink(std::move(rows));
    if (options.page_done) options.page_done(report.pages_fetched);
  }
  return report;
}

}  // namespace lv::routines
