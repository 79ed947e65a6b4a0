#include "app/shell/task.h"

#include <QMetaObject>
#include <cstdio>
#include <exception>
#include <new>
#include <memory>
#include <mutex>
#include <system_error>
#include <utility>

#include "base/code_page.h"
#include "base/program_end.h"

namespace lv::app {

namespace {

// Qt's event queue runs a posted call after its post, but Qt is built without
// ThreadSanitizer, which sees neither that order nor the reference count that
// decides whether the poster or the target's thread destroys the call: what
// a worker hands over would look unguarded on the other side. So every touch
// of a queued write goes through this lock. The poster holds it until Qt has
// queued the call and let go of its own copies of the functor; the target's
// thread takes it before it reads anything posted. Recursive, because Qt
// destroys those copies while the poster holds it. Never destroyed: a thread
// that is no task's may post while the process ends.
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

// What no window job expects (memory or threads run out, a broken
// invariant) stops the program through the runtime-error box, not an abort.
void run_guarded(const Task::Work& work, std::stop_token stop) {
  try {
    work(std::move(stop));
  } catch (const std::exception& error) {
    std::fprintf(stderr, "lorevane: background work failed: %s\n", error.what());
    const bool memory = dynamic_cast<const std::bad_alloc*>(&error) != nullptr;
    lv::base::report_runtime_error(0, lv::base::gbk(memory ? "内存不足，后台工作无法继续。" : "后台工作遇到意外的错误，无法继续。"));
  }
}

}  // namespace

void queue_on_thread_of(QObject* target, std::function<void()> write) {
  if (target == nullptr) return;
  const std::lock_guard<std::recursive_mutex> posting(handover_lock());
  // Invoking on the target itself makes Qt drop the call when the target is gone.
  QMetaObject::invokeMethod(target, QueuedWrite(std::move(write)), Qt::QueuedConnection);
}

Task::~Task() { join(); }

bool Task::start(Work work) {
  join();
  // A new receiver: what the last run posted and the window has not taken yet goes with the old one.
  run_ = std::make_unique<QObject>();
  try {
    thread_ = std::jthread([work = std::move(work)](std::stop_token stop) { run_guarded(work, std::move(stop)); });
    return true;
  } catch (const std::system_error&) {
    return false;
  }
}

void Task::request_stop() { thread_.request_stop(); }

void Task::join() {
  if (!thread_.joinable()) return;
  thread_.request_stop();
  thread_.join();
}

// Called only while the run's thread lives, and the receiver changes only
// after that thread is joined.
void Task::post(std::function<void()> write) { queue_on_thread_of(run_.get(), std::move(write)); }

}  // namespace lv::app
