#include "routines/page_fetcher.h"

#include <condition_variable>
#include <deque>
#include <map>
#include <mutex>

namespace lv::routines {

using Clock = std::chrono::steady_clock;

struct PageFetcher::Shared {
  explicit Shared(RetryPolicy p, const std::stop_token& outer)
      : policy(p), forward(outer, [this] { stop.request_stop(); }) {}

  RetryPolicy policy;
  std::stop_source stop;  // ours: requested by the caller's stop or our end
  std::mutex mutex;
  std::condition_variable_any changed;
  std::deque<std::pair<std::size_t, FetchedPage>> finished;
  std::map<std::string, Pace> paces;  // by host; touched only on the scheduler's thread
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

void PageFetcher::fetch(std::size_t key, std::string url, PageCheck check, bool as_text) {
  {
    std::lock_guard lock(shared_->mutex);
    ++shared_->pending;
  }
  submit(key, std::move(url), std::move(check), as_text, FetchedPage{}, Clock::time_point{});
}

void PageFetcher::submit(std::size_t key, std::string url, PageCheck check, bool as_text, FetchedPage page,
                         Clock::time_point not_before) {
  lv::net::ScheduledRequest request;
  request.url = url;
  request.as_text = as_text;
  request.stop = shared_->stop.get_token();
  request.not_before = not_before;
  {
    std::lock_guard lock(shared_->mutex);
    ++shared_->running;
  }
  // Runs on the scheduler's thread; `this` outlives it (the destructor waits).
  scheduler_.submit(std::move(request), [this, shared = shared_, key, url, host = std::string(), check = std::move(check),
                                         as_text, page = std::move(page)](lv::net::ScheduledResult&& result) mutable {
    page.body = std::move(result.body);
    page.outcome = std::move(result.outcome);
    std::optional<Clock::time_point> again;
    if (page.outcome.end == lv::net::TransferEnd::cancelled || shared->stop.stop_requested()) {
      page.stopped = true;
    } else {
      ++page.tries;
      if (host.empty()) host = lv::net::host_key(url);
      Pace& pace = shared->paces.try_emplace(host, shared->policy).first->second;
      const auto before = pace.pause();
      const NextTry next = after_try(page, shared->policy, pace, check);
      if (pace.pause() != before) scheduler_.set_host_pause(url, pace.pause());
      if (next.again) again = Clock::now() + next.pause;
    }
    if (again) {
      lv::base::Text().swap(page.body);  // the failed answer goes before the next arrives
      submit(key, url, std::move(check), as_text, std::move(page), *again);
    }
    std::lock_guard lock(shared->mutex);
    --shared->running;
    if (!again) shared->finished.emplace_back(key, std::move(page));
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

}  // namespace lv::routines
