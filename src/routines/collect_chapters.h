#pragma once
// The chapter list of a book: its title first, then the chapters in order.
#include <stop_token>
#include <functional>
#include <vector>

#include "net/transfer_outcome.h"
#include "routines/shared_state.h"

namespace lv::routines {

struct ChapterEntry {
  Text title;
  Text address;  // relative to the book address
  friend bool operator==(const ChapterEntry&, const ChapterEntry&) = default;
};

struct ChapterSink {
  std::function<void(const Text& book_title)> set_book_title;      // called once, first
  std::function<void(std::vector<ChapterEntry>&& chapters)> add_chapters;  // in page order
};

// Loads the book page at book_address with the page download, sets the
// current book title in `state`, then hands on the chapters (possibly in
// several batches). A stop ends the book page's transfer and hands on
// nothing more.
// Returns how the book page's transfer ended.
lv::net::TransferOutcome collect_chapters(std::string_view book_address, SharedState& state,
                                          const ChapterSink& sink, std::stop_token stop = {});

}  // namespace lv::routines
