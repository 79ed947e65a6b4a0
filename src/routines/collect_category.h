#pragma once
// The category collection: the listing pages in order, one book record per
// book, each page's rows handed on before the next page is fetched.
#include <atomic>
#include <functional>
#include <vector>

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
  // Checked before each listing page: when set, the collection ends there.
  const std::atomic_bool* stop = nullptr;
};

using RowsSink = std::function<void(std::vector<BookRecord>&& rows)>;

// Runs on the calling thread (a worker in the program). Returns the number of
// listing pages fetched.
int collect_category(const CollectionOptions& options, SharedState& state, const RowsSink& sink);

}  // namespace lv::routines
