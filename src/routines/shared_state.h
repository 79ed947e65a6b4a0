#pragma once
// The program's three global texts, shared between the window thread and the
// workers behind one lock.
#include <mutex>

#include "base/text.h"

namespace lv::routines {

using lv::base::Text;

class SharedState final {
 public:
  SharedState() = default;
  SharedState(const SharedState&) = delete;
  SharedState& operator=(const SharedState&) = delete;

  // Raises the book id counter by one and returns its new text ("1", "2", ...).
  Text next_book_id();
  Text book_id_counter() const;
  void set_book_id_counter(Text value);

  void set_listing_page_body(Text body);
  Text listing_page_body() const;

  void set_current_book_title(Text title);
  Text current_book_title() const;

  // Releases, in this order, the book id counter, the current book title and
  // the listing page body, each only if it holds a value. Returns how many
  // were released.
  int release();

 private:
  mutable std::mutex mutex_;
  Text book_id_counter_;
  Text current_book_title_;
  Text listing_page_body_;
};

}  // namespace lv::routines
