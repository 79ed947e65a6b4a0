#pragma once
// Books brought up to date in the library, several at once: each book page
// is fetched, its chapter list merged into the stored one (nothing stored is
// lost), and the new and still-missing chapters fetched, all through one
// scheduler. Each chapter is stored the moment it arrives, so a broken run
// loses nothing it got and the next one fetches only what is missing.
#include <chrono>
#include <cstdint>
#include <functional>
#include <stop_token>
#include <string>
#include <vector>

#include "base/failure.h"
#include "library/library.h"
#include "net/scheduler.h"
#include "routines/page_retry.h"

namespace lv::routines {

struct MissingChapter {
  int index = 0;
  lv::base::Text title;
  std::string address;        // the chapter page's full address
  lv::base::Failure failure;  // why it is still missing
};

// What one book's update did.
struct BookUpdate {
  std::string book;
  lv::base::Text title;
  bool known = false;          // the library holds the book (its page came now, or it was stored before)
  lv::base::Failure book_page_failure;  // why the book page did not come, when it did not
  // The book page came, but its chapter list came out empty while the
  // library holds chapters of the book (a changed layout, a cut page, rules
  // whose markers no longer match): nothing was changed.
  bool empty_list_ignored = false;
  lv::library::ListChange list_change;  // what the page's list did to the stored one
  int chapters = 0;            // in the list, chapters the site took down included
  int stored = 0;              // with their text now
  int fetched = 0;             // stored by this update
  int failed = 0;              // tried by this update and still missing
  std::vector<MissingChapter> missing;  // every listed chapter still without its text, in list order
};

struct UpdateProgress {
  int books = 0;          // asked for
  int books_done = 0;
  int chapters = 0;       // to be stored, over the books whose lists are known
  int stored = 0;         // of those, with their text now
  int fetched = 0;        // stored by this run
  int failed = 0;         // tried by this run and still missing
  std::uint64_t bytes = 0;  // received by this run
  std::chrono::steady_clock::duration elapsed{};
};

struct UpdateOptions {
  lv::net::Scheduler* scheduler = nullptr;  // none: one of the run's own with `jobs`
  int jobs = 4;
  RetryPolicy retry;
  std::stop_token stop;                     // what is stored stays; the rest is left for next time
  // Both are called on the calling thread: after every page, and as each book is done.
  std::function<void(const UpdateProgress&)> progress;
  std::function<void(const BookUpdate&)> book_done;
};

struct UpdateReport {
  std::vector<BookUpdate> books;  // in the order asked for
  bool stopped = false;
  bool site_gave_up = false;      // the site failed so many transfers in a row that it was not asked again
  double seconds = 0;
};

UpdateReport update_books(const std::vector<std::string>& books, lv::library::Library& library,
                          const UpdateOptions& options);

}  // namespace lv::routines
