#include "net/raw_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cctype>
#include <cstdlib>
#include <cstring>
#include <stdexcept>

namespace lv::test {
namespace {

std::size_t content_length(std::string_view head) {
  std::string lower(head);
  for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  const std::size_t at = lower.find("\r\ncontent-length:");
  if (at == std::string::npos) return 0;
  return static_cast<std::size_t>(std::strtoull(lower.c_str() + at + 17, nullptr, 10));
}

}  // namespace

bool RawConnection::send(std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t n = ::send(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL);
    if (n <= 0) return false;
    bytes.remove_prefix(static_cast<std::size_t>(n));
  }
  return true;
}

bool RawConnection::peer_closed(int ms) {
  pollfd p{fd_, POLLIN, 0};
  return ::poll(&p, 1, ms) > 0;
}

RawServer::RawServer(Handler handler, std::string address) : handler_(std::move(handler)), address_(std::move(address)) {
  listen_fd_ = ::socket(AF_INET, SOCK_STREAM, 0);
  if (listen_fd_ < 0) throw std::runtime_error("socket");
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  if (::inet_pton(AF_INET, address_.c_str(), &addr.sin_addr) != 1) throw std::runtime_error("address");
  addr.sin_port = 0;
  socklen_t len = sizeof addr;
  if (::bind(listen_fd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 ||
      ::listen(listen_fd_, 64) != 0 ||
      ::getsockname(listen_fd_, reinterpret_cast<sockaddr*>(&addr), &len) != 0) {
    ::close(listen_fd_);
    throw std::runtime_error("bind");
  }
  port_ = ntohs(addr.sin_port);
  acceptor_ = std::thread([this] { accept_loop(); });
}

RawServer::~RawServer() {
  stopping_ = true;
  acceptor_.join();
  ::close(listen_fd_);
  std::vector<std::thread> workers;
  {
    std::lock_guard lock(mutex_);
    workers.swap(workers_);
  }
  for (auto& t : workers) t.join();
}

std::string RawServer::host() const { return address_ + ":" + std::to_string(port_); }

std::string RawServer::url(std::string_view path) const { return "http://" + host() + std::string(path); }

std::vector<std::string> RawServer::requests() const {
  std::lock_guard lock(mutex_);
  return requests_;
}

std::size_t RawServer::request_count() const {
  std::lock_guard lock(mutex_);
  return requests_.size();
}

void RawServer::accept_loop() {
  while (!stopping_) {
    pollfd p{listen_fd_, POLLIN, 0};
    if (::poll(&p, 1, 20) <= 0) continue;
    const int fd = ::accept(listen_fd_, nullptr, nullptr);
    if (fd < 0) continue;
    std::lock_guard lock(mutex_);
    workers_.emplace_back([this, fd] { serve(fd); });
  }
}

void RawServer::serve(int fd) {
  std::string request;
  char buffer[65536];
  std::size_t head_end = std::string::npos;
  while (!stopping_) {
    if (head_end != std::string::npos && request.size() >= head_end + 4 + content_length(request.substr(0, head_end))) {
      break;
    }
    pollfd p{fd, POLLIN, 0};
    if (::poll(&p, 1, 20) <= 0) continue;
    const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
    if (n <= 0) break;
    request.append(buffer, static_cast<std::size_t>(n));
    if (head_end == std::string::npos) head_end = request.find("\r\n\r\n");
  }
  if (head_end != std::string::npos) {
    {
      std::lock_guard lock(mutex_);
      requests_.push_back(request);
    }
    RawConnection connection(fd);
    handler_(request, connection);
  }
  ::shutdown(fd, SHUT_RDWR);
  ::close(fd);
}

std::string http_response(std::string_view body, std::string_view extra_headers, std::string_view status) {
  std::string out = "HTTP/1.1 " + std::string(status) + "\r\nContent-Length: " + std::to_string(body.size()) +
                    "\r\nConnection: close\r\n" + std::string(extra_headers) + "\r\n";
  out.append(body);
  return out;
}

}  // namespace lv::test
