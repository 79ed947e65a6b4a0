#pragma once
// A whole book into the local library: its information, its cover, its
// chapter list, and every chapter not yet stored, several at a time through
// the scheduler. Each chapter is stored the moment it arrives, so a broken
// download loses nothing it got and the next one fetches only what is missing.
#include <chrono>
#include <cstdint>
#include <functional>
#include <stop_token>
#include <string>
#include <vector>

#include "library/library.h"
#include "net/scheduler.h"
#include "routines/page_retry.h"

namespace lv::routines {

struct BookDownloadOptions {
  lv::net::Scheduler* scheduler = nullptr;  // none: one of the download's own with `jobs`
  int jobs = 4;
  RetryPolicy retry;
  std::stop_token stop;                     // what is stored stays; the rest is left for next time
  // Called on the calling thread after the chapter list is known and after every chapter.
  struct Progress {
    int total = 0;      // chapters in the list
    int stored = 0;     // with their text in the library now
    int fetched = 0;    // stored by this download
    int failed = 0;     // tried by this download and still missing
    std::uint64_t bytes = 0;  // received by this download
    std::chrono::steady_clock::duration elapsed{};
  };
  std::function<void(const Progress&)> progress;
};

struct MissingChapter {
  int index = 0;
  lv::base::Text title;
  std::string address;  // the chapter page's full address
  lv::base::Failure failure;  // why it is still missing
};

struct BookDownloadReport {
  std::string book;
  lv::base::Text title;
  bool known = false;          // the library holds the book (its page came now, or it was stored before)
  lv::base::Failure book_page_failure;  // why the book page did not come, when it did not
  // The book page came, but its chapter list came out empty while the
  // library holds chapters of the book (a changed layout, a cut page, rules
  // whose markers no longer match): nothing was changed.
  bool empty_list_ignored = false;
  bool site_gave_up = false;   // the site failed so many transfers in a row that it was not asked again
  lv::library::ListChange list_change;  // what the book page's list did to the stored one
  int chapters = 0;
  int stored = 0;
  int fetched = 0;
  int failed = 0;
  std::vector<MissingChapter> missing;  // every listed chapter still without its text, in list order
  bool stopped = false;
  double seconds = 0;
};

BookDownloadReport download_book(std::string_view book_address, lv::library::Library& library,
                                 const BookDownloadOptions& options);

}  // namespace lv::routines
