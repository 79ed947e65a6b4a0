#pragma once
// Letting the window thread's events run while it waits.

namespace lv::app {

// Runs the events already waiting on the calling thread, then returns.
void process_events();

// Installs the event pump that downloads and page fetches call while they
// wait on the window thread.
void install_ui_event_pump();

}  // namespace lv::app
