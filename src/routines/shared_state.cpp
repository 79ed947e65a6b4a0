#include "routines/shared_state.h"

#include "base/convert.h"

namespace lv::routines {

Text SharedState::next_book_id() {
  std::lock_guard lock(mutex_);
  book_id_counter_ = lv::base::to_text(lv::base::to_int(book_id_counter_) + 1);
  return book_id_counter_;
}

Text SharedState::book_id_counter() const {
  std::lock_guard lock(mutex_);
  return book_id_counter_;
}

void SharedState::set_book_id_counter(Text value) {
  std::lock_guard lock(mutex_);
  book_id_counter_ = std::move(value);
}

void SharedState::set_listing_page_body(Text body) {
  {
    std::lock_guard lock(mutex_);
    // A swap, so that the old page's bytes really go (assigning an empty
    // text would keep its room) and go outside the lock.
    listing_page_body_.swap(body);
  }
}

Text SharedState::listing_page_body() const {
  std::lock_guard lock(mutex_);
  return listing_page_body_;
}

void SharedState::set_current_book_title(Text title) {
  std::lock_guard lock(mutex_);
  current_book_title_ = std::move(title);
}

Text SharedState::current_book_title() const {
  std::lock_guard lock(mutex_);
  return current_book_title_;
}

int SharedState::release() {
  std::lock_guard lock(mutex_);
  int released = 0;
  for (Text* global : {&book_id_counter_, &current_book_title_, &listing_page_body_}) {
    if (global->empty()) continue;
    Text().swap(*global);
    ++released;
  }
  return released;
}

}  // namespace lv::routines
