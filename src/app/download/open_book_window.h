#pragma once
// A whole-book download (or export) in a window of its own over the window
// that asked for it; not modal, so that window stays usable meanwhile.
#include "app/download/book_download_window.h"

namespace lv::app {

// The window belongs to `owner` (closing or deleting the owner stops the
// work) and deletes itself when closed. Says in a message, and opens nothing,
// when there is no library to store into.
BookDownloadWindow* open_book_window(QWidget& owner, BookDownloadWindow::Job job);

}  // namespace lv::app
