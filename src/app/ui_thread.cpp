#include "app/ui_thread.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QMetaObject>
#include <QThread>

#include "net/event_pump.h"

namespace lv::app {

void post_to(QObject* target, std::function<void()> write) {
  if (target == nullptr) return;
  // Invoking on the target itself makes Qt drop the call when the target is gone.
  QMetaObject::invokeMethod(target, std::move(write), Qt::QueuedConnection);
}

void install_ui_event_pump() {
  lv::net::set_thread_event_pump([] {
    QCoreApplication::sendPostedEvents();
    QEventLoop loop;
    return loop.processEvents(QEventLoop::AllEvents);
  });
}

}  // namespace lv::app
