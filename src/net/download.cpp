#include "net/download.h"

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <stop_token>
#include <thread>

#include "base/code_page.h"
#include "base/text.h"
#include "net/curl_exchange.h"
#include "net/download_transfer.h"
#include "net/event_pump.h"
#include "net/gzip.h"

namespace lv::net {
namespace {

using detail::ContentEncoding;
using detail::DownloadInputs;
using detail::DownloadOutputs;
using lv::net::TransferEnd;

// How often a caller with an event pump lets its events run while it waits.
constexpr std::chrono::milliseconds kPumpPause{10};

std::atomic<long long> g_transfer_ms{90000};
std::atomic<long long> g_wait_ms{90000};
std::atomic<long long> g_deadline_ms{120000};
std::atomic<std::size_t> g_running{0};

// Shared by the caller and the download thread, under its lock.
struct DownloadJob {
  std::mutex mutex;
  std::condition_variable_any ended;
  bool finished = false;
  DownloadOutputs outputs;
};

// Waits for the job; false when the wait gave up or the caller asked to
// stop. A caller with an event pump gives up after the wait time-out passes
// with neither an event nor the end of the transfer; one without waits for
// the end, which the transfer's own time-outs and deadline bound.
bool wait_for(DownloadJob& job, const std::stop_token& stop) {
  const std::chrono::milliseconds limit{g_wait_ms.load()};
  if (!has_thread_event_pump()) {
    std::unique_lock lock(job.mutex);
    return job.ended.wait(lock, stop, [&] { return job.finished; });
  }
  auto deadline = std::chrono::steady_clock::now() + limit;
  for (;;) {
    if (pump_thread_events()) deadline = std::chrono::steady_clock::now() + limit;
    std::unique_lock lock(job.mutex);
    const auto now = std::chrono::steady_clock::now();
    if (job.finished) return true;
    if (now >= deadline || stop.stop_requested()) return false;
    const auto pause = std::min<std::chrono::steady_clock::duration>(kPumpPause, deadline - now);
    if (job.ended.wait_for(lock, stop, pause, [&] { return job.finished; })) return true;
  }
}

// Runs one download on a thread of its own and waits for it. A wait that
// gives up, or a stop, ends the transfer within a turn of its loop; the
// thread is joined before this returns, so no transfer outlives its caller.
DownloadOutputs run_download(const DownloadRequest& request) {
  DownloadInputs inputs;
  inputs.url = request.url;
  inputs.method = request.method;
  inputs.proxy = request.proxy;
  inputs.headers = request.headers;
  inputs.body = std::string(request.post_data.view());
  inputs.request_compression = request.request_compression;
  inputs.open_flags = request.open_flags;
  inputs.timeout = std::chrono::milliseconds(g_transfer_ms.load());
  inputs.deadline = std::chrono::milliseconds(g_deadline_ms.load());
  inputs.origin = request.origin;

  DownloadJob job;
  std::jthread thread;
  ++g_running;
  try {
    thread = std::jthread([&job, inputs = std::move(inputs), caller = request.stop](std::stop_token own) mutable {
      // Either the caller's stop or the waiter giving up ends the transfer.
      std::stop_source both;
      const std::stop_callback from_caller(caller, [&both] { both.request_stop(); });
      const std::stop_callback from_waiter(own, [&both] { both.request_stop(); });
      inputs.stop = both.get_token();
      DownloadOutputs outputs = detail::perform_download(inputs);
      std::lock_guard lock(job.mutex);
      job.outputs = std::move(outputs);
      job.finished = true;
      job.ended.notify_all();
    });
  } catch (const std::system_error&) {
    --g_running;
    DownloadOutputs none;
    none.outcome.detail = "no thread for the transfer";
    return none;
  }
  const bool came = wait_for(job, request.stop);
  thread.request_stop();
  thread.join();
  --g_running;
  if (!came && !request.stop.stop_requested()) {
    DownloadOutputs none;
    none.outcome.end = TransferEnd::timed_out;
    none.outcome.detail = "gave up waiting for the transfer";
    return none;
  }
  return std::move(job.outputs);
}

void hand_out(const DownloadRequest& request, const DownloadOutputs& outputs) {
  if (request.cookies_out) *request.cookies_out = outputs.cookies;
  if (request.headers_out) *request.headers_out = outputs.header_block;
  if (request.outcome_out) *request.outcome_out = outputs.outcome;
}

Text cut_at_zero(std::string text) {
  const std::size_t zero = text.find('\0');
  if (zero != std::string::npos) text.resize(zero);
  return text;
}

}  // namespace

namespace detail {

Text decode_download_text(DownloadOutputs& outputs) {
  std::string body = outputs.body.take_string();
  if (body.empty()) return {};
  if (outputs.encoding == ContentEncoding::gzip) {
    body = gzip_decode(body, kMaxBodyBytes);
  } else if (outputs.encoding == ContentEncoding::deflate) {
    body = deflate_decode(body, kMaxBodyBytes);
  }
  body = cut_at_zero(std::move(body));
  // Only the Content-Type header decides; a charset named inside the page is not looked at.
  if (lv::base::to_lower(outputs.content_type).find("utf-8") != std::string::npos) {
    return cut_at_zero(lv::base::utf8_to_gbk_in_place(std::move(body)));
  }
  return body;
}

}  // namespace detail

Text download_text(const DownloadRequest& request) {
  DownloadOutputs outputs = run_download(request);
  hand_out(request, outputs);
  return detail::decode_download_text(outputs);
}

Text download_text(std::string_view url) {
  DownloadRequest request;
  request.url = Text(url);
  return download_text(request);
}

Bytes download_bytes(const DownloadRequest& request) {
  DownloadOutputs outputs = run_download(request);
  hand_out(request, outputs);
  return Bytes(outputs.body.take_bytes());
}

Bytes download_bytes(std::string_view url) {
  DownloadRequest request;
  request.url = Text(url);
  return download_bytes(request);
}

void set_download_timeouts_for_tests(const DownloadTimeouts& timeouts) {
  g_transfer_ms = timeouts.transfer.count();
  g_wait_ms = timeouts.wait.count();
  g_deadline_ms = timeouts.deadline.count();
}

DownloadTimeouts download_timeouts() {
  return {std::chrono::milliseconds(g_transfer_ms.load()), std::chrono::milliseconds(g_wait_ms.load()),
          std::chrono::milliseconds(g_deadline_ms.load())};
}

void set_trusted_certificates_for_tests(const std::string& pem_file) {
  detail::set_trusted_certificates(pem_file);
}

std::size_t running_downloads() { return g_running.load(); }

}  // namespace lv::net
