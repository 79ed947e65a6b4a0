#pragma once
// What the three windows share: the site, the global texts, the current book
// (the selected row of the main window's book list) and the ways to reach
// each other's windows. The start-up routine fills it in.
#include <functional>
#include <string>

#include "base/text.h"
#include "net/scheduler.h"
#include "routines/shared_state.h"

namespace lv::app {

struct AppContext {
  lv::base::Text site_host;
  lv::routines::SharedState* state = nullptr;
  std::string library_path;  // the local library's file; "" for none
  // The scheduler collections and whole-book downloads go through; none: each makes its own.
  lv::net::Scheduler* scheduler = nullptr;

  // The selected row of the book list (-1 for none) and its book address
  // (column 3; "" for no row).
  std::function<int()> selected_row;
  std::function<lv::base::Text()> selected_book_address;

  // Opens the reader as a modal window; returns when it has been closed.
  std::function<void()> open_reader;
  // show_book_info on the book information window.
  std::function<void()> show_book_info;
  // Asks for the existing book information window: brought to the front when
  // shown, left hidden otherwise.
  std::function<void()> raise_book_info;
};

}  // namespace lv::app
