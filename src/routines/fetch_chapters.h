#pragma once
// Chapters of a stored book fetched into the library, with the tries and
// reasons of a whole-book download: what the reader asks for when it shows a
// chapter the library lacks, and the chapters after it, fetched ahead.
#include <functional>
#include <stop_token>
#include <string>
#include <vector>

#include "base/failure.h"
#include "base/text.h"
#include "library/library.h"
#include "net/scheduler.h"
#include "routines/page_retry.h"
#include "scrape/site_rules.h"

namespace lv::routines {

struct ChapterFetch {
  lv::base::Text address;     // relative to the book address, as the list gives it
  lv::base::Text text;        // as the reader shows it; "" when it did not come
  lv::base::Failure failure;  // why, when it did not
};

struct ChapterFetchOptions {
  lv::net::Scheduler* scheduler = nullptr;  // none: one of the fetch's own
  RetryPolicy retry;
  std::stop_token stop;
  // Called on the calling thread as each chapter is settled (stored or marked missing).
  std::function<void(const ChapterFetch&)> settled;
};

// A chapter page that came (or did not): its text stored, or the chapter
// marked missing with why. A page with nothing but spaces and breaks is a
// placeholder ("not yet published"), not the chapter: fetched again next time.
ChapterFetch settle_chapter(lv::library::Library& library, const std::string& book, const lv::base::Text& address,
                            FetchedPage& page, const lv::scrape::ChapterTextRules& rules);

// Fetches each address, stores the text (or marks the chapter missing with
// its reason) and returns them in the order asked for. A stop leaves the
// rest unsettled (their failure is `cancelled`).
std::vector<ChapterFetch> fetch_chapters(const std::string& book, const std::vector<lv::base::Text>& addresses,
                                         lv::library::Library& library, const ChapterFetchOptions& options);

}  // namespace lv::routines
