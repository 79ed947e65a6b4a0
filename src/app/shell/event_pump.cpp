#include "app/shell/event_pump.h"

#include <QCoreApplication>
#include <QEventLoop>

#include "net/event_pump.h"

namespace lv::app {

void process_events() { QCoreApplication::processEvents(QEventLoop::AllEvents); }

void install_ui_event_pump() {
  lv::net::set_thread_event_pump([] {
    QCoreApplication::sendPostedEvents();
    QEventLoop loop;
    return loop.processEvents(QEventLoop::AllEvents);
  });
}

}  // namespace lv::app
