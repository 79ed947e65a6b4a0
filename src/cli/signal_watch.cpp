#include "cli/signal_watch.h"

#include <pthread.h>
#include <signal.h>

#include <cstdlib>
#include <ctime>

namespace lv::cli {
namespace {

sigset_t watched_signals() {
  sigset_t set;
  sigemptyset(&set);
  sigaddset(&set, SIGINT);
  sigaddset(&set, SIGTERM);
  sigaddset(&set, SIGHUP);
  return set;
}

// Ends the program the way the signal would have, had it not been watched.
[[noreturn]] void die_of(int signal) {
  ::signal(signal, SIG_DFL);
  const sigset_t set = watched_signals();
  pthread_sigmask(SIG_UNBLOCK, &set, nullptr);
  ::raise(signal);
  std::_Exit(128 + signal);  // not reached: the default action ends the process
}

}  // namespace

SignalWatch::SignalWatch() {
  const sigset_t set = watched_signals();
  pthread_sigmask(SIG_BLOCK, &set, nullptr);
  watcher_ = std::jthread([this](const std::stop_token& end) { watch(end); });
}

SignalWatch::~SignalWatch() = default;

std::stop_token SignalWatch::stop_on_signal() {
  stoppable_ = true;
  return stop_.get_token();
}

void SignalWatch::watch(const std::stop_token& end) {
  const sigset_t set = watched_signals();
  // Waits in short turns so that the end of the program is not held up.
  const timespec turn{0, 100'000'000};
  while (!end.stop_requested()) {
    const int signal = sigtimedwait(&set, nullptr, &turn);
    if (signal < 0) continue;  // the turn passed, or an interruption
    if (!stoppable_ || stop_.stop_requested()) die_of(signal);
    stop_.request_stop();
  }
}

}  // namespace lv::cli
