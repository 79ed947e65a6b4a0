#pragma once
// The sample site over HTTP on a local port, with switches that tests use to
// provoke what a real server does: gzip bodies, UTF-8 pages, slow answers and
// failures. Every switch and counter is safe to use from any thread while the
// server runs; start() and stop() belong to the thread that owns the server.
#include <chrono>
#include <map>
#include <memory>
#include <string>
#include <string_view>

#include "sample_site/sample_site.h"

namespace lv::site {

enum class Failure {
  none,
  not_found,          // 404 with a short HTML body
  empty_body,         // 200 with no body at all
  drop_connection,    // headers and part of the body, then the connection closes
  too_many_requests,  // 429, with the Retry-After of set_retry_after
  unavailable,        // 503, with the Retry-After of set_retry_after
  block_page,         // 200 with a verification page that holds no listing or book
  trickle,            // the page, one byte per trickle interval
};

class SampleServer final {
 public:
  explicit SampleServer(SiteOptions options = {});
  ~SampleServer();
  SampleServer(const SampleServer&) = delete;
  SampleServer& operator=(const SampleServer&) = delete;

  // Binds and starts answering on a thread of its own; returns once the
  // socket listens. Port 0 lets the system pick one. False if it cannot bind
  // or already runs.
  bool start(int port = 0, const std::string& bind_address = "127.0.0.1");
  void stop();
  bool running() const;
  int port() const;
  std::string site_host() const;   // "127.0.0.1:PORT" (the bind address and port)

  SampleSite& site() { return site_; }
  const SampleSite& site() const { return site_; }

  // --- switches (a path is the request path without query, e.g. "/sort2/1.html")
  void set_gzip(bool on);                          // every body gzip-encoded
  void set_gzip(const std::string& path, bool on); // one path only
  void set_utf8(bool on);                          // every HTML page as UTF-8
  void set_utf8(const std::string& path, bool on);
  void set_delay(const std::string& path, std::chrono::milliseconds delay);
  void set_delay_all(std::chrono::milliseconds delay);
  // `times` > 0: only that many requests fail, later ones are answered
  // normally; -1: every request fails.
  void set_failure(const std::string& path, Failure failure, int times = -1);
  // Answers `path` with these bytes instead of the site's page: a changed
  // layout, a cut page, an error page served for a picture.
  void set_page(const std::string& path, std::string body, std::string content_type = "text/html; charset=gbk",
                int status = 200);
  // The Retry-After header (seconds) of 429 and 503 answers; negative: none.
  void set_retry_after(int seconds);
  // The pause between the bytes of a trickled body.
  void set_trickle_interval(std::chrono::milliseconds interval);
  void clear_switches();

  // --- request counts (every request that reached a handler, by path)
  int request_count(const std::string& path) const;
  int total_requests() const;
  // The most requests that were being answered at the same time.
  int most_at_once() const;
  std::map<std::string, int> request_counts() const;
  void reset_counts();

 private:
  struct Impl;
  SampleSite site_;
  std::unique_ptr<Impl> impl_;
};

}  // namespace lv::site
