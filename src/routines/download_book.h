#pragma once
// A whole book into the local library: its information, its cover, its
// chapter list, and every chapter not yet stored, several at a time through
// the scheduler. The update of one book (see update_books.h).
#include <chrono>
#include <cstdint>
#include <functional>
#include <stop_token>
#include <string>

#include "routines/update_books.h"

namespace lv::routines {

struct BookDownloadOptions {
  lv::net::Scheduler* scheduler = nullptr;  // none: one of the download's own with `jobs`
  int jobs = 4;
  RetryPolicy retry;
  std::stop_token stop;                     // what is stored stays; the rest is left for next time
  // Called on the calling thread after the chapter list is known and after every chapter.
  struct Progress {
    int total = 0;      // chapters to be stored (a chapter the site took down and the library lacks is not)
    int stored = 0;     // with their text in the library now
    int fetched = 0;    // stored by this download
    int failed = 0;     // tried by this download and still missing
    std::uint64_t bytes = 0;  // received by this download
    std::chrono::steady_clock::duration elapsed{};
  };
  std::function<void(const Progress&)> progress;
};

struct BookDownloadReport : BookUpdate {
  bool stopped = false;
  bool site_gave_up = false;   // the site failed so many transfers in a row that it was not asked again
  double seconds = 0;
};

BookDownloadReport download_book(std::string_view book_address, lv::library::Library& library,
                                 const BookDownloadOptions& options);

}  // namespace lv::routines
