#pragma once
// A loopback HTTP server that hands every request, byte for byte, to a
// handler which writes the raw answer itself. Each connection has a thread of
// its own, so a handler may hold its answer back while other requests are served.
#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace lv::test {

class RawConnection final {
 public:
  explicit RawConnection(int fd) : fd_(fd) {}
  // Writes all bytes; false once the peer has gone.
  bool send(std::string_view bytes);
  // Whether the peer has closed its side (or sent more), waiting up to `ms` for news.
  bool peer_closed(int ms);

 private:
  int fd_;
};

class RawServer final {
 public:
  using Handler = std::function<void(const std::string& request, RawConnection& connection)>;

  // `address` is the loopback address to listen on (127.0.0.x).
  explicit RawServer(Handler handler, std::string address = "127.0.0.1");
  ~RawServer();
  RawServer(const RawServer&) = delete;
  RawServer& operator=(const RawServer&) = delete;

  int port() const { return port_; }
  std::string url(std::string_view path) const;
  std::string host() const;  // "127.0.0.1:port"
  std::vector<std::string> requests() const;
  std::size_t request_count() const;
  bool stopping() const { return stopping_.load(); }

 private:
  void accept_loop();
  void serve(int fd);

  Handler handler_;
  std::string address_;
  int listen_fd_ = -1;
  int port_ = 0;
  std::atomic<bool> stopping_{false};
  mutable std::mutex mutex_;
  std::vector<std::string> requests_;
  std::vector<std::thread> workers_;
  std::thread acceptor_;
};

// A complete answer with a Content-Length, closing the connection after it.
std::string http_response(std::string_view body, std::string_view extra_headers = {},
                          std::string_view status = "200 OK");

}  // namespace lv::test
