#pragma once
// SIGINT, SIGTERM and SIGHUP for the command line: a command that can stop
// cleanly (a download keeps what it stored and still reports) turns them
// into a stop request; for any other command they end the program as usual.
// Made first thing in main, before any thread starts, so that every thread
// inherits the blocked signals and only the watcher receives them.
#include <atomic>
#include <stop_token>
#include <thread>

namespace lv::cli {

class SignalWatch final {
 public:
  SignalWatch();
  ~SignalWatch();
  SignalWatch(const SignalWatch&) = delete;
  SignalWatch& operator=(const SignalWatch&) = delete;

  // From now on a signal asks for a stop instead of ending the program; a
  // second signal still ends it. Returns the token the stop reaches.
  std::stop_token stop_on_signal();

 private:
  void watch(const std::stop_token& end);

  std::stop_source stop_;
  std::atomic_bool stoppable_{false};
  std::jthread watcher_;  // last: joined before the rest goes
};

}  // namespace lv::cli
