#include "app/ui_thread.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QMetaObject>
#include <memory>
#include <mutex>
#include <utility>

#include "net/event_pump.h"

namespace lv::app {

namespace {

// Qt's event queue runs a posted call after its post, but Qt is built without
// ThreadSanitizer, which sees neither that order nor the reference count that
// decides whether the poster or the target's thread destroys the call: what
// a worker hands over would look unguarded on the other side. So every touch
// of a queued write goes through this lock. The poster holds it until Qt has
// queued the call and let go of its own copies of the functor; the target's
// thread takes it before it reads anything posted. Recursive, because Qt
// destroys those copies while the poster holds it. Never destroyed: workers
// are not joined and may post while the process ends.
std::recursive_mutex& handover_lock() {
  static auto* lock = new std::recursive_mutex;
  return *lock;
}

// The functor Qt queues. Qt copies it, and the copies share the one write, so
// the captures are neither copied nor left behind with the poster.
class QueuedWrite {
 public:
  explicit QueuedWrite(std::function<void()> write)
      : write_(std::make_shared<std::function<void()>>(std::move(write))) {}
  QueuedWrite(const QueuedWrite&) = default;
  QueuedWrite& operator=(const QueuedWrite&) = delete;
  ~QueuedWrite() {
    // Also where a call that Qt dropped, its target gone, lets its captures go.
    const std::lock_guard<std::recursive_mutex> handed_over(handover_lock());
    write_.reset();
  }

  void operator()() const {
    std::function<void()> write;
    {
      const std::lock_guard<std::recursive_mutex> handed_over(handover_lock());
      write = std::exchange(*write_, nullptr);
    }
    // Outside the lock: a write may post again or wait on a download.
    if (write) write();
  }

 private:
  std::shared_ptr<std::function<void()>> write_;
};

}  // namespace

void post_to(QObject* target, std::function<void()> write) {
  if (target == nullptr) return;
  const std::lock_guard<std::recursive_mutex> posting(handover_lock());
  // Invoking on the target itself makes Qt drop the call when the target is gone.
  QMetaObject::invokeMethod(target, QueuedWrite(std::move(write)), Qt::QueuedConnection);
}

void install_ui_event_pump() {
  lv::net::set_thread_event_pump([] {
    QCoreApplication::sendPostedEvents();
    QEventLoop loop;
    return loop.processEvents(QEventLoop::AllEvents);
  });
}

}  // namespace lv::app
