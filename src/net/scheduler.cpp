#include "net/scheduler.h"

#include <curl/curl.h>

#include <algorithm>
#include <atomic>
#include <deque>
#include <map>
#include <mutex>
#include <new>
#include <optional>
#include <thread>
#include <vector>

#include "net/download.h"
#include "net/download_transfer.h"

namespace lv::net {

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;
using detail::DownloadInputs;
using detail::DownloadOutputs;
using detail::DownloadTransfer;

// How soon the loop notices a stop, a time-out or a job that came due, at the latest.
constexpr milliseconds kTurn{50};

struct UrlDeleter {
  void operator()(CURLU* url) const noexcept { curl_url_cleanup(url); }
};

struct CurlFree {
  void operator()(char* text) const noexcept { curl_free(text); }
};

std::string url_part(CURLU* url, CURLUPart part, unsigned flags = 0) {
  char* raw = nullptr;
  if (curl_url_get(url, part, &raw, flags) != CURLUE_OK) return {};
  std::unique_ptr<char, CurlFree> owned(raw);
  return raw;
}

}  // namespace

std::string host_key(std::string_view url) {
  std::unique_ptr<CURLU, UrlDeleter> parsed(curl_url());
  const std::size_t first = url.find_first_not_of(" \t\r\n\v\f");
  const std::string trimmed(first == std::string_view::npos ? std::string_view{} : url.substr(first));
  if (!parsed || curl_url_set(parsed.get(), CURLUPART_URL, trimmed.c_str(), CURLU_NON_SUPPORT_SCHEME) != CURLUE_OK) {
    return std::string(url);  // an unusable address fails on its own; any key will do
  }
  return url_part(parsed.get(), CURLUPART_SCHEME) + "://" + url_part(parsed.get(), CURLUPART_HOST) + ":" +
         url_part(parsed.get(), CURLUPART_PORT, CURLU_DEFAULT_PORT);
}

struct Scheduler::State {
  struct Job {
    ScheduledRequest request;
    Completion done;
    std::string host;
  };
  struct Host {
    int active = 0;
    milliseconds pause{0};
    Clock::time_point next_start{};
  };
  // Wakes the loop when an active transfer's owner asks it to stop.
  struct Wake {
    CURLM* multi;
    void operator()() const noexcept { curl_multi_wakeup(multi); }
  };
  struct Active {
    Job job;
    std::unique_ptr<DownloadTransfer> transfer;
    Clock::time_point started;
    std::optional<std::stop_callback<Wake>> wake_on_stop;
  };
  struct Finished {
    Completion done;
    ScheduledResult result;
  };

  explicit State(int per_host) : multi(curl_multi_init()) {
    if (multi == nullptr) throw std::bad_alloc();
    curl_multi_setopt(multi, CURLMOPT_MAX_HOST_CONNECTIONS, static_cast<long>(per_host));
  }
  ~State() {
    if (multi != nullptr) curl_multi_cleanup(multi);
  }

  CURLM* multi;
  int per_host = 4;
  mutable std::mutex mutex;  // the queue and the hosts
  std::deque<Job> queue;
  std::map<std::string, Host> hosts;
  std::atomic<long long> started{0};
  std::atomic<long long> connections{0};
  // Touched only on the loop's thread.
  std::vector<std::unique_ptr<Active>> active;

  void run(const std::stop_token& stop);
  Clock::time_point start_due(std::vector<Finished>& finished);
  void start(Job job, std::vector<Finished>& finished);
  void end(std::size_t index, CURLcode code, std::vector<Finished>& finished);
  Clock::time_point check_active(std::vector<Finished>& finished);
  void cancel_everything(std::vector<Finished>& finished);
};

Scheduler::Scheduler(Options options)
    : per_host_(std::max(1, options.per_host)), state_(std::make_unique<State>(per_host_)) {
  state_->per_host = per_host_;
  thread_ = std::jthread([state = state_.get()](const std::stop_token& stop) { state->run(stop); });
}

Scheduler::~Scheduler() {
  // The thread goes first: it ends every transfer before the handles go.
  thread_ = std::jthread();
}

namespace {

ScheduledResult cancelled_result(const char* why) {
  ScheduledResult r;
  r.outcome.end = TransferEnd::cancelled;
  r.outcome.detail = why;
  return r;
}

}  // namespace

void Scheduler::submit(ScheduledRequest request, Completion done) {
  std::string host = host_key(request.url);
  {
    std::lock_guard lock(state_->mutex);
    state_->queue.push_back(State::Job{std::move(request), std::move(done), std::move(host)});
  }
  curl_multi_wakeup(state_->multi);
}

void Scheduler::set_host_pause(std::string_view url, milliseconds pause) {
  const std::string host = host_key(url);
  {
    std::lock_guard lock(state_->mutex);
    State::Host& h = state_->hosts[host];
    // A shorter pause takes effect at once, a longer one from the next start.
    h.next_start += pause - h.pause;
    h.pause = pause;
  }
  curl_multi_wakeup(state_->multi);
}

milliseconds Scheduler::host_pause(std::string_view url) const {
  const std::string host = host_key(url);
  std::lock_guard lock(state_->mutex);
  const auto it = state_->hosts.find(host);
  return it == state_->hosts.end() ? milliseconds(0) : it->second.pause;
}

long long Scheduler::transfers_started() const { return state_->started.load(); }
long long Scheduler::connections_opened() const { return state_->connections.load(); }

void Scheduler::State::start(Job job, std::vector<Finished>& finished) {
  const DownloadTimeouts timeouts = download_timeouts();
  DownloadInputs in;
  in.url = job.request.url;
  in.origin = job.request.origin;
  in.timeout = timeouts.transfer;
  in.deadline = timeouts.deadline;
  auto transfer = std::make_unique<DownloadTransfer>(std::move(in));
  ++started;
  if (!transfer->ready() || curl_multi_add_handle(multi, transfer->easy()) != CURLM_OK) {
    DownloadOutputs outputs = transfer->finish(CURLE_FAILED_INIT);
    ScheduledResult result;
    result.outcome = outputs.outcome;
    finished.push_back({std::move(job.done), std::move(result)});
    std::lock_guard lock(mutex);
    --hosts[job.host].active;
    return;
  }
  transfer->exchange().last_activity = Clock::now();
  auto a = std::make_unique<Active>();
  a->job = std::move(job);
  a->transfer = std::move(transfer);
  a->started = Clock::now();
  a->wake_on_stop.emplace(a->job.request.stop, Wake{multi});
  active.push_back(std::move(a));
}

Clock::time_point Scheduler::State::start_due(std::vector<Finished>& finished) {
  const auto now = Clock::now();
  auto next_due = now + kTurn;
  std::vector<Job> to_start;
  {
    std::lock_guard lock(mutex);
    for (auto it = queue.begin(); it != queue.end();) {
      if (it->request.stop.stop_requested()) {
        finished.push_back({std::move(it->done), cancelled_result("stopped before it started")});
        it = queue.erase(it);
        continue;
      }
      Host& host = hosts[it->host];
      const auto ready_at = std::max(it->request.not_before, host.next_start);
      if (host.active >= per_host || ready_at > now) {
        if (host.active < per_host) next_due = std::min(next_due, ready_at);
        ++it;
        continue;
      }
      ++host.active;
      host.next_start = now + host.pause;
      to_start.push_back(std::move(*it));
      it = queue.erase(it);
    }
  }
  for (Job& job : to_start) start(std::move(job), finished);
  return next_due;
}

void Scheduler::State::end(std::size_t index, CURLcode code, std::vector<Finished>& finished) {
  std::unique_ptr<Active> owned = std::move(active[index]);
  active.erase(active.begin() + static_cast<std::ptrdiff_t>(index));
  Active& a = *owned;
  a.wake_on_stop.reset();
  curl_multi_remove_handle(multi, a.transfer->easy());
  long connects = 0;
  if (curl_easy_getinfo(a.transfer->easy(), CURLINFO_NUM_CONNECTS, &connects) == CURLE_OK) connections += connects;
  DownloadOutputs outputs = a.transfer->finish(code);
  ScheduledResult result;
  result.outcome = outputs.outcome;
  if (code == CURLE_ABORTED_BY_CALLBACK && !a.transfer->exchange().refused) result.outcome.end = TransferEnd::cancelled;
  result.body = a.job.request.as_text ? detail::decode_download_text(outputs) : outputs.body.take_string();
  {
    std::lock_guard lock(mutex);
    --hosts[a.job.host].active;
  }
  finished.push_back({std::move(a.job.done), std::move(result)});
}

Clock::time_point Scheduler::State::check_active(std::vector<Finished>& finished) {
  const auto now = Clock::now();
  auto next = now + kTurn;
  for (std::size_t i = 0; i < active.size();) {
    Active& a = *active[i];
    const detail::Exchange& ex = a.transfer->exchange();
    const auto idle = now - ex.last_activity;
    if (a.job.request.stop.stop_requested()) {
      end(i, CURLE_ABORTED_BY_CALLBACK, finished);
    } else if ((ex.connected && idle >= a.transfer->inputs().timeout) || now - a.started >= ex.deadline) {
      end(i, CURLE_OPERATION_TIMEDOUT, finished);
    } else {
      next = std::min(next, a.started + ex.deadline);
      if (ex.connected) next = std::min(next, ex.last_activity + a.transfer->inputs().timeout);
      ++i;
    }
  }
  return next;
}

void Scheduler::State::cancel_everything(std::vector<Finished>& finished) {
  while (!active.empty()) end(0, CURLE_ABORTED_BY_CALLBACK, finished);
  std::lock_guard lock(mutex);
  for (Job& job : queue) finished.push_back({std::move(job.done), cancelled_result("the scheduler shut down")});
  queue.clear();
}

void Scheduler::State::run(const std::stop_token& stop) {
  const std::stop_callback wake_on_shutdown(stop, Wake{multi});
  std::vector<Finished> finished;
  const auto deliver = [&finished] {
    for (Finished& f : finished) {
      if (f.done) f.done(std::move(f.result));
    }
    finished.clear();
  };
  while (!stop.stop_requested()) {
    auto next = start_due(finished);
    int running = 0;
    curl_multi_perform(multi, &running);
    int queued = 0;
    while (CURLMsg* msg = curl_multi_info_read(multi, &queued)) {
      if (msg->msg != CURLMSG_DONE) continue;
      const CURLcode code = msg->data.result;
      for (std::size_t i = 0; i < active.size(); ++i) {
        if (active[i]->transfer->easy() == msg->easy_handle) {
          end(i, code, finished);
          break;
        }
      }
    }
    next = std::min(next, check_active(finished));
    // A transfer that ended frees its host for the next one at once.
    const bool ended = !finished.empty();
    deliver();
    if (stop.stop_requested()) break;
    if (ended) continue;
    const auto wait = std::chrono::duration_cast<milliseconds>(next - Clock::now());
    curl_multi_poll(multi, nullptr, 0, static_cast<int>(std::clamp(wait, milliseconds(0), kTurn).count()), nullptr);
  }
  cancel_everything(finished);
  deliver();
}

}  // namespace lv::net
