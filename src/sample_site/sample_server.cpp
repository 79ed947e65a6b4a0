#include "sample_site/sample_server.h"

#include <httplib.h>
#include <sys/socket.h>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <optional>
#include <set>
#include <thread>

#include "base/code_page.h"
#include "sample_site/gzip_encode.h"
#include "sample_site/pages.h"

namespace lv::site {

using std::chrono::milliseconds;

struct SampleServer::Impl {
  std::unique_ptr<httplib::Server> server;
  std::thread thread;
  std::atomic<bool> loop_ended{false};
  std::atomic<int> port{0};
  std::string bind_address;

  mutable std::mutex mutex;
  std::condition_variable wake;  // ends delays early when the server stops
  bool stopping = false;
  bool gzip_all = false;
  bool utf8_all = false;
  std::set<std::string> gzip_paths;
  std::set<std::string> utf8_paths;
  std::map<std::string, milliseconds> delays;
  milliseconds delay_all{0};
  struct Planned {
    Failure failure = Failure::none;
    int times = -1;  // requests still to fail; -1 for all
  };
  std::map<std::string, Planned> failures;
  std::map<std::string, SampleSite::Response> pages;  // answers put in place of the site's
  int retry_after = -1;
  milliseconds trickle_interval{2000};
  std::map<std::string, int> counts;
  int total = 0;
  int in_flight = 0;
  int most_at_once = 0;

  // Counts a request as being answered for as long as it lives.
  struct InFlight {
    Impl* impl;
    explicit InFlight(Impl* i) : impl(i) {
      std::lock_guard lock(impl->mutex);
      impl->most_at_once = std::max(impl->most_at_once, ++impl->in_flight);
    }
    ~InFlight() {
      std::lock_guard lock(impl->mutex);
      --impl->in_flight;
    }
    InFlight(const InFlight&) = delete;
    InFlight& operator=(const InFlight&) = delete;
  };

  struct Plan {
    bool gzip = false;
    bool utf8 = false;
    milliseconds delay{0};
    Failure failure = Failure::none;
    int retry_after = -1;
    milliseconds trickle_interval{0};
    std::optional<SampleSite::Response> page;  // in place of the site's
  };

  Plan count_and_plan(const std::string& path) {
    std::lock_guard lock(mutex);
    ++counts[path];
    ++total;
    Plan p;
    p.gzip = gzip_all || gzip_paths.count(path) > 0;
    p.utf8 = utf8_all || utf8_paths.count(path) > 0;
    const auto d = delays.find(path);
    p.delay = d != delays.end() ? d->second : delay_all;
    const auto f = failures.find(path);
    if (f != failures.end()) {
      p.failure = f->second.failure;
      if (f->second.times > 0 && --f->second.times == 0) failures.erase(f);
    }
    p.retry_after = retry_after;
    p.trickle_interval = trickle_interval;
    if (const auto page = pages.find(path); page != pages.end()) p.page = page->second;
    return p;
  }

  // False when the server stops during the wait.
  bool wait(milliseconds delay) {
    std::unique_lock lock(mutex);
    return !wake.wait_for(lock, delay, [this] { return stopping; });
  }
};

namespace {

// Bodies go out through a provider of known length: the HTTP library then
// sends them as they are and never compresses on its own, so what the
// client receives is exactly what the switches asked for.
void send(httplib::Response& res, int status, const std::string& type, std::string body,
          bool drop_halfway = false) {
  res.status = status;
  if (body.empty()) {
    res.set_header("Content-Type", type);
    res.set_header("Content-Length", "0");
    return;
  }
  auto shared = std::make_shared<std::string>(std::move(body));
  const std::size_t length = shared->size();
  const std::size_t cut = drop_halfway ? length / 2 : length;
  res.set_content_provider(length, type,
                           [shared, cut](std::size_t offset, std::size_t size, httplib::DataSink& sink) {
                             if (offset >= cut) return false;  // closes the connection mid-body
                             const std::size_t n = std::min(size, cut - offset);
                             sink.write(shared->data() + offset, n);
                             return true;
                           });
}

// The body one byte at a time, `interval` apart, until it is out or the server stops.
// `wait` pauses and says whether the server still runs.
void send_trickling(httplib::Response& res, const std::string& type, std::string body, milliseconds interval,
                    std::function<bool(milliseconds)> wait) {
  auto shared = std::make_shared<std::string>(std::move(body));
  res.set_content_provider(shared->size(), type,
                           [shared, interval, wait](std::size_t offset, std::size_t, httplib::DataSink& sink) {
                             if (offset > 0 && !wait(interval)) return false;
                             sink.write(shared->data() + offset, 1);
                             return true;
                           });
}

// What a site shows a client it takes for a robot: a page of the site's
// shape with none of the listing, book or chapter markers.
std::string verification_page() {
  return "<!DOCTYPE html PUBLIC \"-//W3C//DTD XHTML 1.0 Transitional//EN\" "
         "\"http://www.w3.org/TR/xhtml1/DTD/xhtml1-transitional.dtd\">\r\n"
         "<html xmlns=\"http://www.w3.org/1999/xhtml\">\r\n<head><title>Checking your browser</title></head>\r\n"
         "<body><div class=\"verify\"><p>Please wait while we check your browser.</p>"
         "<a href=\"/\">Home</a></div></body></html>\r\n";
}

bool is_html(const std::string& type) { return type.rfind("text/html", 0) == 0; }

std::string as_utf8_page(const std::string& gbk_page) {
  std::string page = lv::base::gbk_to_utf8(gbk_page);
  const std::string from = "charset=gbk", to = "charset=utf-8";
  const auto at = page.find(from);
  if (at != std::string::npos) page.replace(at, from.size(), to);
  return page;
}

}  // namespace

SampleServer::SampleServer(SiteOptions options) : site_(options), impl_(std::make_unique<Impl>()) {}

SampleServer::~SampleServer() { stop(); }

bool SampleServer::start(int port, const std::string& bind_address) {
  if (impl_->server) return false;
  auto server = std::make_unique<httplib::Server>();
  server->set_keep_alive_max_count(100);
  // Answers go out at once; without this a kept-alive connection waits on
  // the delayed acknowledgement for every response.
  server->set_tcp_nodelay(true);
  // The library's default also shares the port (SO_REUSEPORT), which would
  // let two servers answer on one port; a port in use must be refused.
  server->set_socket_options([](socket_t sock) {
    int yes = 1;
    ::setsockopt(sock, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
  });
  server->Get(".*", [this](const httplib::Request& req, httplib::Response& res) {
    const Impl::InFlight answering(impl_.get());
    const auto plan = impl_->count_and_plan(req.path);
    if (plan.delay.count() > 0) impl_->wait(plan.delay);
    static const std::string kHtml = "text/html; charset=gbk";
    switch (plan.failure) {
      case Failure::not_found:
        send(res, 404, kHtml, not_found_page());
        return;
      case Failure::empty_body:
        send(res, 200, kHtml, {});
        return;
      case Failure::too_many_requests:
      case Failure::unavailable:
        if (plan.retry_after >= 0) res.set_header("Retry-After", std::to_string(plan.retry_after));
        send(res, plan.failure == Failure::unavailable ? 503 : 429, kHtml, not_found_page());
        return;
      case Failure::block_page:
        send(res, 200, kHtml, verification_page());
        return;
      case Failure::drop_connection:
      case Failure::trickle:
      case Failure::none:
        break;
    }
    std::string host = req.get_header_value("Host");
    if (host.empty()) host = site_host();
    auto page = plan.page ? plan.page : site_.get(req.path, host);
    if (!page) page = SampleSite::Response{404, kHtml, not_found_page()};
    if (plan.utf8 && is_html(page->content_type)) {
      page->body = as_utf8_page(page->body);
      page->content_type = "text/html; charset=UTF-8";
    }
    if (plan.gzip) {
      page->body = gzip_encode(page->body);
      res.set_header("Content-Encoding", "gzip");
    }
    if (plan.failure == Failure::trickle) {
      res.status = page->status;
      send_trickling(res, page->content_type, std::move(page->body), plan.trickle_interval,
                     [impl = impl_.get()](milliseconds pause) { return impl->wait(pause); });
      return;
    }
    send(res, page->status, page->content_type, std::move(page->body),
         plan.failure == Failure::drop_connection);
  });

  const int bound = port == 0 ? server->bind_to_any_port(bind_address)
                              : (server->bind_to_port(bind_address, port) ? port : -1);
  if (bound <= 0) return false;
  {
    std::lock_guard lock(impl_->mutex);
    impl_->stopping = false;
  }
  impl_->port = bound;
  impl_->bind_address = bind_address;
  httplib::Server* raw = server.get();
  impl_->server = std::move(server);
  impl_->loop_ended = false;
  impl_->thread = std::thread([raw, impl = impl_.get()] {
    raw->listen_after_bind();
    impl->loop_ended = true;
  });
  // The socket already listens; wait for the accept loop so that stop()
  // always finds it running.
  while (!raw->is_running() && !impl_->loop_ended) std::this_thread::yield();
  return true;
}

void SampleServer::stop() {
  if (!impl_->server) return;
  {
    std::lock_guard lock(impl_->mutex);
    impl_->stopping = true;
  }
  impl_->wake.notify_all();
  impl_->server->stop();
  if (impl_->thread.joinable()) impl_->thread.join();
  impl_->server.reset();
  impl_->port = 0;
}

bool SampleServer::running() const { return impl_->server && impl_->server->is_running(); }

int SampleServer::port() const { return impl_->port; }

std::string SampleServer::site_host() const {
  const std::string address = impl_->bind_address.empty() || impl_->bind_address == "0.0.0.0"
                                  ? std::string("127.0.0.1")
                                  : impl_->bind_address;
  return address + ":" + std::to_string(impl_->port);
}

void SampleServer::set_gzip(bool on) {
  std::lock_guard lock(impl_->mutex);
  impl_->gzip_all = on;
}

void SampleServer::set_gzip(const std::string& path, bool on) {
  std::lock_guard lock(impl_->mutex);
  if (on) impl_->gzip_paths.insert(path);
  else impl_->gzip_paths.erase(path);
}

void SampleServer::set_utf8(bool on) {
  std::lock_guard lock(impl_->mutex);
  impl_->utf8_all = on;
}

void SampleServer::set_utf8(const std::string& path, bool on) {
  std::lock_guard lock(impl_->mutex);
  if (on) impl_->utf8_paths.insert(path);
  else impl_->utf8_paths.erase(path);
}

void SampleServer::set_delay(const std::string& path, milliseconds delay) {
  std::lock_guard lock(impl_->mutex);
  if (delay.count() > 0) impl_->delays[path] = delay;
  else impl_->delays.erase(path);
}

void SampleServer::set_delay_all(milliseconds delay) {
  std::lock_guard lock(impl_->mutex);
  impl_->delay_all = delay;
}

void SampleServer::set_page(const std::string& path, std::string body, std::string content_type, int status) {
  std::lock_guard lock(impl_->mutex);
  impl_->pages[path] = SampleSite::Response{status, std::move(content_type), std::move(body)};
}

void SampleServer::set_failure(const std::string& path, Failure failure, int times) {
  std::lock_guard lock(impl_->mutex);
  if (failure == Failure::none || times == 0) impl_->failures.erase(path);
  else impl_->failures[path] = Impl::Planned{failure, times};
}

void SampleServer::set_retry_after(int seconds) {
  std::lock_guard lock(impl_->mutex);
  impl_->retry_after = seconds;
}

void SampleServer::set_trickle_interval(milliseconds interval) {
  std::lock_guard lock(impl_->mutex);
  impl_->trickle_interval = interval;
}

void SampleServer::clear_switches() {
  std::lock_guard lock(impl_->mutex);
  impl_->gzip_all = impl_->utf8_all = false;
  impl_->gzip_paths.clear();
  impl_->utf8_paths.clear();
  impl_->delays.clear();
  impl_->delay_all = milliseconds(0);
  impl_->failures.clear();
  impl_->pages.clear();
  impl_->retry_after = -1;
  impl_->trickle_interval = milliseconds(2000);
}

int SampleServer::request_count(const std::string& path) const {
  std::lock_guard lock(impl_->mutex);
  const auto it = impl_->counts.find(path);
  return it == impl_->counts.end() ? 0 : it->second;
}

int SampleServer::most_at_once() const {
  std::lock_guard lock(impl_->mutex);
  return impl_->most_at_once;
}

int SampleServer::total_requests() const {
  std::lock_guard lock(impl_->mutex);
  return impl_->total;
}

std::map<std::string, int> SampleServer::request_counts() const {
  std::lock_guard lock(impl_->mutex);
  return impl_->counts;
}

void SampleServer::reset_counts() {
  std::lock_guard lock(impl_->mutex);
  impl_->counts.clear();
  impl_->total = 0;
  impl_->most_at_once = impl_->in_flight;
}

}  // namespace lv::site
