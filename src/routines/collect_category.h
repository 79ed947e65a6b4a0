#pragma once
// The category collection: the listing pages, fetched up to N ahead, and one
// book record per book, handed on page by page in page order with the ids a
// collection one page after the other gives. A page that does not come is
// asked for again; one still missing is reported.
#include <functional>
#include <stop_token>
#include <string>
#include <vector>

#include "net/scheduler.h"
#include "routines/page_retry.h"
#include "routines/shared_state.h"

namespace lv::routines {

// One row of the book list.
struct BookRecord {
  Text id;        // the book id counter after it was raised for this row
  Text title;     // 《title》
  Text latest;    // latest chapter
  Text address;   // book address
  Text category;  // always [修真小说]
  friend bool operator==(const BookRecord&, const BookRecord&) = default;
};

struct CollectionOptions {
  Text site_host;
  int first_page = 1;
  int last_page = 146;
  // Checked before each listing page is added: when requested, the
  // collection ends there, and transfers still running are cancelled.
  std::stop_token stop;
  RetryPolicy retry;
  // The scheduler the pages go through; none: one of the collection's own
  // with `jobs` transfers at a time.
  lv::net::Scheduler* scheduler = nullptr;
  int jobs = 4;
  // Called on the calling thread each time a listing page is settled (its
  // rows handed on, or given up as missing), with how many are settled now.
  std::function<void(int pages_done)> page_done = nullptr;
};

// A listing page that did not arrive after its tries.
struct MissingPage {
  int page = 0;
  Text address;
  lv::base::Failure failure;  // why, after how many tries
};

struct CollectionReport {
  int pages_fetched = 0;  // listing pages asked for, whether they came or not
  std::vector<MissingPage> missing;
  bool stopped = false;
};

using RowsSink = std::function<void(std::vector<BookRecord>&& rows)>;

// Runs on the calling thread (a worker in the program).
CollectionReport collect_category(const CollectionOptions& options, SharedState& state, const RowsSink& sink);

}  // namespace lv::routines
