#pragma once
// One scheduler for every download of whole books and collections: the
// transfers run together on one thread of the scheduler's own, share their
// connections to a host (kept alive, secure sessions reused), and go to one
// host at most N at a time, each start at least the host's pause after the
// one before. The scheduler's thread is joined when it is destroyed; every
// transfer still running or waiting then ends as cancelled.
#include <chrono>
#include <functional>
#include <memory>
#include <stop_token>
#include <string>
#include <string_view>
#include <thread>

#include "base/text.h"
#include "net/transfer_outcome.h"

namespace lv::net {

struct ScheduledRequest {
  std::string url;
  bool as_text = true;     // decoded as the page download does; false: the body's bytes as received
  std::string origin;      // as in DownloadRequest
  std::stop_token stop;    // a stop ends this transfer (or keeps it from starting) as cancelled
  std::chrono::steady_clock::time_point not_before{};  // not started before this time
};

struct ScheduledResult {
  lv::base::Text body;     // the decoded text, or the bytes
  TransferOutcome outcome;
};

class Scheduler final {
 public:
  struct Options {
    int per_host = 4;      // transfers to one host at a time; 1 is strictly one after the other
  };
  using Completion = std::function<void(ScheduledResult&&)>;

  explicit Scheduler(Options options);
  Scheduler() : Scheduler(Options{}) {}
  ~Scheduler();
  Scheduler(const Scheduler&) = delete;
  Scheduler& operator=(const Scheduler&) = delete;

  // Queues a transfer. `done` runs exactly once, on the scheduler's thread,
  // when the transfer has ended in any way; it should be quick, and may
  // submit further transfers.
  void submit(ScheduledRequest request, Completion done);

  // The least time between the starts of two transfers to the host of `url`.
  void set_host_pause(std::string_view url, std::chrono::milliseconds pause);
  std::chrono::milliseconds host_pause(std::string_view url) const;

  int per_host() const { return per_host_; }
  // Transfers started since the scheduler was made, and connections opened
  // for them: the difference is what kept-alive connections saved.
  long long transfers_started() const;
  long long connections_opened() const;

 private:
  struct State;
  int per_host_;
  std::unique_ptr<State> state_;
  std::jthread thread_;  // last: stopped and joined before the state goes
};

// The key transfers to one host share: scheme, host and port of the address.
std::string host_key(std::string_view url);

}  // namespace lv::net
