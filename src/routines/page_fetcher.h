#pragma once
// Pages fetched through the scheduler, several at once, each asked for again
// until it is good or its tries are spent; the pace is kept per host, and a
// host that keeps failing is given up on (see RetryPolicy). Pages
// come back in the order they finish; callers that need page order put them
// back in it.
#include <cstddef>
#include <memory>
#include <optional>
#include <stop_token>
#include <string>
#include <utility>

#include "net/scheduler.h"
#include "routines/page_retry.h"

namespace lv::routines {

class PageFetcher final {
 public:
  // `stop` ends every page still running or waiting (they come back stopped).
  PageFetcher(lv::net::Scheduler& scheduler, RetryPolicy policy, std::stop_token stop);
  // Stops what still runs and waits until the scheduler has let go of it.
  ~PageFetcher();
  PageFetcher(const PageFetcher&) = delete;
  PageFetcher& operator=(const PageFetcher&) = delete;

  // Starts fetching `url`; `key` comes back with the page. `as_text`: decoded
  // as the page download does; otherwise the body's bytes. `origin`: the
  // page the address was found on, which decides the addresses it may reach.
  void fetch(std::size_t key, std::string url, PageCheck check, bool as_text = true, std::string origin = {});
  // Waits for the next page to finish (good or given up); nullopt once stopped.
  std::optional<std::pair<std::size_t, FetchedPage>> next();
  // Pages asked for that have not come back through next() yet.
  std::size_t pending() const;
  // Whether some host failed so often in a row that it is no longer asked.
  bool gave_up_on_a_host() const;

 private:
  struct Shared;
  struct Request {
    std::size_t key;
    std::string url;
    std::string origin;
    PageCheck check;
    bool as_text;
  };
  void submit(Request request, FetchedPage page, std::chrono::steady_clock::time_point not_before);

  lv::net::Scheduler& scheduler_;
  std::shared_ptr<Shared> shared_;
};

}  // namespace lv::routines
