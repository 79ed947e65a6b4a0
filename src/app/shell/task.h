#pragma once
// Background work for a window. The window owns the task; the task owns one
// thread at a time. The work hands results to the window thread with post(),
// a queued call bound to the task's current run: a result that arrives after
// the task is gone, or after it was started again, is dropped by Qt, so the
// work never needs to ask whether its window still stands or whether it is
// still the latest. Destroying the task (or starting it again) asks its
// thread to stop and joins it; the work sees the stop through its token,
// which reaches every transfer it makes within one turn of the transfer's loop.
#include <QObject>
#include <functional>
#include <memory>
#include <stop_token>
#include <thread>

namespace lv::app {

class Task final {
 public:
  using Work = std::function<void(std::stop_token stop)>;

  Task() = default;
  ~Task();
  Task(const Task&) = delete;
  Task& operator=(const Task&) = delete;

  // Stops and joins the work started before, then starts `work` on a new
  // thread. False when the system gives no thread (the work does not run).
  bool start(Work work);
  // Asks the work to stop; it ends soon, and join() or the destructor waits.
  void request_stop();
  // Waits for the work to end; at once when none was started.
  void join();
  // Whether a thread was started and not yet joined.
  bool started() const { return thread_.joinable(); }

  // From the work's thread: runs `write` on the window thread, in the order
  // posted, unless the task is gone by then. What `write` captures belongs
  // to the window thread from now on; the work keeps no reference to it.
  void post(std::function<void()> write);

 private:
  std::unique_ptr<QObject> run_;  // what this run's results are bound to
  std::jthread thread_;           // last: joined before the run's receiver goes
};

// The one hand-over to the window thread: runs `write` on the thread of
// `target` unless `target` is gone by then. Task::post is built on it; the
// runtime-error box uses it from threads that are no task's.
void queue_on_thread_of(QObject* target, std::function<void()> write);

}  // namespace lv::app
