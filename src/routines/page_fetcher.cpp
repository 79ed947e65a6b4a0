#include "routines/page_fetcher.h"

#include <condition_variable>
#include <deque>
#include <map>
#include <mutex>

namespace lv::routines {

using Clock = std::chrono::steady_clock;

namespace {

// Each host has a stop of its own, so that giving up on one host ends the
// transfers waiting for it and nothing else; the fetcher's stop reaches
// every host.
struct Host {
  Host(const RetryPolicy& policy, const std::stop_token& fetcher_stop)
      : pace(policy), forward(fetcher_stop, Stop{&stop}) {}
  struct Stop {
    std::stop_source* source;
    void operator()() const { source->request_stop(); }
  };
  Pace pace;                    // touched only on the scheduler's thread
  int failures_in_row = 0;      // under the fetcher's lock
  bool gave_up = false;         // under the fetcher's lock
  std::stop_source stop;
  std::stop_callback<Stop> forward;
};

// The page's last failure, or none when it was never tried, now with the
// word that its site was given up on.
void mark_given_up(FetchedPage& page, const RetryPolicy& policy) {
  page.host_gave_up = true;
  if (!page.failure.failed()) page.failure.kind = lv::base::FailureKind::not_tried;
  page.failure.gave_up_after = policy.give_up_after_failures;
}

}  // namespace

struct PageFetcher::Shared {
  explicit Shared(RetryPolicy p, const std::stop_token& outer)
      : policy(p), forward(outer, [this] { stop.request_stop(); }) {}

  // The host of `url`, made on first use. Call under the lock.
  Host& host(const std::string& key) {
    return hosts.try_emplace(key, policy, stop.get_token()).first->second;
  }

  RetryPolicy policy;
  std::stop_source stop;  // ours: requested by the caller's stop or our end
  std::mutex mutex;
  std::condition_variable_any changed;
  std::deque<std::pair<std::size_t, FetchedPage>> finished;
  std::map<std::string, Host> hosts;  // by host key; nodes stay put
  std::size_t running = 0;            // submitted to the scheduler and not yet come back
  std::size_t pending = 0;            // asked for and not yet handed out
  std::stop_callback<std::function<void()>> forward;
};

PageFetcher::PageFetcher(lv::net::Scheduler& scheduler, RetryPolicy policy, std::stop_token stop)
    : scheduler_(scheduler), shared_(std::make_shared<Shared>(policy, stop)) {}

PageFetcher::~PageFetcher() {
  shared_->stop.request_stop();
  // Every transfer comes back within a turn of the scheduler once stopped.
  std::unique_lock lock(shared_->mutex);
  shared_->changed.wait(lock, [&] { return shared_->running == 0; });
}

void PageFetcher::fetch(std::size_t key, std::string url, PageCheck check, bool as_text, std::string origin) {
  {
    std::lock_guard lock(shared_->mutex);
    ++shared_->pending;
  }
  Request request{key, std::move(url), std::move(origin), std::move(check), as_text};
  submit(std::move(request), FetchedPage{}, Clock::time_point{});
}

void PageFetcher::submit(Request request, FetchedPage page, Clock::time_point not_before) {
  const std::string host_key = lv::net::host_key(request.url);
  lv::net::ScheduledRequest scheduled;
  scheduled.url = request.url;
  scheduled.as_text = request.as_text;
  scheduled.origin = request.origin;
  scheduled.not_before = not_before;
  Host* host = nullptr;
  {
    std::lock_guard lock(shared_->mutex);
    host = &shared_->host(host_key);
    if (host->gave_up && !shared_->stop.stop_requested()) {
      mark_given_up(page, shared_->policy);
      shared_->finished.emplace_back(request.key, std::move(page));
      shared_->changed.notify_all();
      return;
    }
    scheduled.stop = host->stop.get_token();
    ++shared_->running;
  }
  // Runs on the scheduler's thread; `this` outlives it (the destructor waits).
  scheduler_.submit(std::move(scheduled), [this, shared = shared_, host, request = std::move(request),
                                           page = std::move(page)](lv::net::ScheduledResult&& result) mutable {
    page.body = std::move(result.body);
    page.outcome = std::move(result.outcome);
    std::optional<Clock::time_point> again;
    bool give_up_now = false;
    if (shared->stop.stop_requested()) {
      page.stopped = true;
    } else if (page.outcome.end == lv::net::TransferEnd::cancelled) {
      // Ended by its host's stop: the host was given up on while it waited.
      mark_given_up(page, shared->policy);
    } else {
      ++page.tries;
      const auto before = host->pace.pause();
      const NextTry next = after_try(page, shared->policy, host->pace, request.check);
      if (host->pace.pause() != before) scheduler_.set_host_pause(request.url, host->pace.pause());
      {
        std::lock_guard lock(shared->mutex);
        host->failures_in_row = page.good ? 0 : host->failures_in_row + 1;
        const int limit = shared->policy.give_up_after_failures;
        give_up_now = limit > 0 && !host->gave_up && host->failures_in_row >= limit;
        host->gave_up = host->gave_up || give_up_now;
        if (host->gave_up && !page.good) {
          mark_given_up(page, shared->policy);
        } else if (next.again) {
          again = Clock::now() + next.pause;
        }
      }
    }
    // Outside the lock: the stop wakes the scheduler's waits for this host.
    if (give_up_now) host->stop.request_stop();
    if (again) {
      lv::base::Text().swap(page.body);  // the failed answer goes before the next arrives
      submit(std::move(request), std::move(page), *again);
    }
    std::lock_guard lock(shared->mutex);
    --shared->running;
    if (!again) shared->finished.emplace_back(request.key, std::move(page));
    shared->changed.notify_all();
  });
}

std::optional<std::pair<std::size_t, FetchedPage>> PageFetcher::next() {
  std::unique_lock lock(shared_->mutex);
  const std::stop_token stop = shared_->stop.get_token();
  if (!shared_->changed.wait(lock, stop, [&] { return !shared_->finished.empty(); })) return std::nullopt;
  auto page = std::move(shared_->finished.front());
  shared_->finished.pop_front();
  --shared_->pending;
  if (page.second.stopped) return std::nullopt;
  return page;
}

std::size_t PageFetcher::pending() const {
  std::lock_guard lock(shared_->mutex);
  return shared_->pending;
}

bool PageFetcher::gave_up_on_a_host() const {
  std::lock_guard lock(shared_->mutex);
  for (const auto& [key, host] : shared_->hosts) {
    if (host.gave_up) return true;
  }
  return false;
}

}  // namespace lv::routines
