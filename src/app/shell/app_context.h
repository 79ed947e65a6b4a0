#pragma once
// What the three windows share: the site, the global texts, the current book
// (the selected row of the main window's book list) and the ways to reach
// each other's windows. The start-up routine fills it in.
#include <cstddef>
#include <functional>
#include <optional>
#include <string>

#include "base/text.h"
#include "net/scheduler.h"
#include "routines/shared_state.h"

class QWidget;

namespace lv::app {

// Where a reader opened from the library begins.
struct LibraryReaderStart {
  int chapter = 0;            // place in the book's list
  std::size_t text_offset = 0;  // bytes into the chapter's stored text (a search hit)
};

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

  // Opens a reader on a book of the library: at `start` when given (a search
  // hit), else where the reader last was. The reader takes its chapter list
  // from the library at once and shows stored chapters without the network.
  // The reader blocks the window that opens it only (window-modal).
  std::function<void(const std::string& book, std::optional<LibraryReaderStart> start, QWidget* opener)>
      open_library_book;
};

}  // namespace lv::app
