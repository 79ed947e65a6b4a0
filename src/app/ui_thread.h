#pragma once
// Getting work from a worker thread onto the window thread.
#include <QObject>
#include <QPointer>
#include <functional>

namespace lv::app {

// Queues `write` to run on `target`'s thread. Writes keep their order, and a
// write whose target is destroyed before it runs is dropped. The target must
// be alive when this is called: workers post to the application object and
// check their window with a QPointer inside `write`. A worker hands data over
// by moving it into `write` and keeps no reference to it: the data is the
// target thread's from then on.
void post_to(QObject* target, std::function<void()> write);

// Installs the event pump that downloads and page fetches call while they
// wait on the window thread.
void install_ui_event_pump();

}  // namespace lv::app
