// How a caller waits for its download: time-outs, event pumps, nested
// downloads and transfers that outlive their caller's wait.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <functional>
#include <stop_token>
#include <thread>

#include "net/download.h"
#include "net/event_pump.h"
#include "net/net_test_support.h"
#include "net/raw_server.h"
#include "support/test_support.h"

namespace {

using lv::net::DownloadTimeouts;
using lv::net::download_text;
using lv::test::http_response;
using lv::test::RawConnection;
using lv::test::RawServer;
using lv::test::wait_until;
using std::chrono::milliseconds;

class DownloadWaitTest : public ::testing::Test {
 protected:
  void TearDown() override {
    lv::net::set_thread_event_pump({});
    EXPECT_TRUE(wait_until([] { return lv::net::running_downloads() == 0; }));
    lv::net::set_download_timeouts_for_tests(DownloadTimeouts{});
  }
  static void shorten(milliseconds transfer, milliseconds wait) {
    lv::net::set_download_timeouts_for_tests(DownloadTimeouts{transfer, wait});
  }
};

std::string path_of(const std::string& request) {
  const std::size_t start = request.find(' ') + 1;
  return request.substr(start, request.find(' ', start) - start);
}

TEST_F(DownloadWaitTest, SilentServerIsGivenUpAfterTheTransferTimeOut) {
  shorten(milliseconds(300), milliseconds(60000));
  RawServer server([&](const std::string&, RawConnection& c) {
    // Says nothing until the client goes away.
    while (!server.stopping() && !c.peer_closed(20)) {
    }
  });
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(download_text(server.url("/silent")), "");
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(20));
}

TEST_F(DownloadWaitTest, StalledBodyKeepsWhatArrived) {
  // The time-out also bounds how soon the first part must come, so it leaves
  // room for a server thread that a loaded machine starts late.
  shorten(milliseconds(2000), milliseconds(60000));
  RawServer server([&](const std::string&, RawConnection& c) {
    c.send("HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\nfirst part");
    while (!server.stopping() && !c.peer_closed(20)) {
    }
  });
  EXPECT_EQ(download_text(server.url("/stall")), "first part");
}

TEST_F(DownloadWaitTest, RefusedConnectionGivesEmptyResults) {
  // A port that is bound but not listening refuses connections, and while it
  // stays bound no other server can take it over.
  const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  ASSERT_GE(fd, 0);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t len = sizeof addr;
  ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
  ASSERT_EQ(::getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len), 0);
  const std::string url = "http://127.0.0.1:" + std::to_string(ntohs(addr.sin_port)) + "/";
  EXPECT_EQ(download_text(url), "");
  EXPECT_TRUE(lv::net::download_bytes(url).empty());
  ::close(fd);
}

TEST_F(DownloadWaitTest, FailedSecureHandshakeGivesEmptyResults) {
  shorten(milliseconds(500), milliseconds(60000));
  // A plain server never answers the secure greeting.
  RawServer server([](const std::string&, RawConnection&) {});
  EXPECT_EQ(download_text("https://" + server.host() + "/"), "");
  EXPECT_EQ(server.request_count(), 0u);
}

TEST_F(DownloadWaitTest, GivenUpWaitDropsTheLateAnswer) {
  shorten(milliseconds(20000), milliseconds(200));
  // A window thread on which no event arrives gives up; a thread without a pump never does.
  lv::net::set_thread_event_pump([] { return false; });
  std::atomic<bool> caller_gone{false};
  RawServer server([&](const std::string&, RawConnection& c) {
    wait_until([&] { return caller_gone.load(); });
    c.send(http_response("too late", "Set-Cookie: late=1; Path=/late\r\n"));
  });
  {
    std::string cookies = "untouched";
    std::string headers = "untouched";
    lv::net::DownloadRequest r;
    r.url = server.url("/late");
    r.cookies_out = &cookies;
    r.headers_out = &headers;
    EXPECT_EQ(download_text(r), "");
    EXPECT_EQ(cookies, "");
    EXPECT_EQ(headers, "");
  }
  caller_gone = true;
  EXPECT_TRUE(wait_until([] { return lv::net::running_downloads() == 0; }));
}

// A stop ends the transfer within a turn of its loop, whether or not the
// caller pumps events; the connection closes and no thread is left behind.
TEST_F(DownloadWaitTest, StopEndsAStalledTransferAndItsConnection) {
  for (const bool pump : {false, true}) {
    SCOPED_TRACE(pump ? "with a pump" : "without a pump");
    lv::net::set_thread_event_pump(pump ? std::function<bool()>([] { return false; }) : nullptr);
    std::atomic<bool> asked{false}, closed{false};
    RawServer server([&](const std::string&, RawConnection& c) {
      asked = true;
      closed = c.peer_closed(60'000);  // the answer never comes
    });
    std::stop_source stop;
    std::jthread stopper([&] {
      wait_until([&] { return asked.load(); });
      stop.request_stop();
    });
    lv::net::TransferOutcome outcome;
    lv::net::DownloadRequest request;
    request.url = server.url("/held");
    request.stop = stop.get_token();
    request.outcome_out = &outcome;
    EXPECT_EQ(download_text(request), "");
    EXPECT_EQ(outcome.end, lv::net::TransferEnd::cancelled);
    EXPECT_EQ(lv::net::running_downloads(), 0u);
    EXPECT_TRUE(wait_until([&] { return closed.load(); }));
  }
}

TEST_F(DownloadWaitTest, CallerWithoutPumpWaitsForATransferThatIsStillReceiving) {
  shorten(milliseconds(20000), milliseconds(100));
  const std::string body(40, 'x');
  RawServer server([&](const std::string&, RawConnection& c) {
    c.send("HTTP/1.1 200 OK\r\nContent-Length: 40\r\n\r\n");
    for (char byte : body) {
      if (!c.send(std::string(1, byte)) || c.peer_closed(10)) return;  // well past the wait time-out in all
    }
  });
  EXPECT_EQ(download_text(server.url("/slow")), body);
}

TEST_F(DownloadWaitTest, PumpRunsWhileWaitingAndEventsKeepTheWaitAlive) {
  shorten(milliseconds(20000), milliseconds(200));
  std::atomic<int> pumped{0};
  lv::net::set_thread_event_pump([&] {
    ++pumped;
    return true;  // an event ran every time
  });
  // Answers only after the caller has pumped for well over the wait time-out.
  RawServer server([&](const std::string&, RawConnection& c) {
    wait_until([&] { return pumped.load() >= 60; });
    c.send(http_response("kept"));
  });
  EXPECT_EQ(download_text(server.url("/busy")), "kept");
  EXPECT_GE(pumped.load(), 60);
}

TEST_F(DownloadWaitTest, PumpWithoutEventsDoesNotKeepTheWaitAlive) {
  shorten(milliseconds(20000), milliseconds(200));
  std::atomic<int> pumped{0};
  std::atomic<bool> caller_gone{false};
  lv::net::set_thread_event_pump([&] {
    ++pumped;
    return false;
  });
  RawServer server([&](const std::string&, RawConnection& c) {
    wait_until([&] { return caller_gone.load(); });
    c.send(http_response("late"));
  });
  EXPECT_EQ(download_text(server.url("/quiet")), "");
  caller_gone = true;
  EXPECT_GT(pumped.load(), 0);
}

TEST_F(DownloadWaitTest, DownloadStartedInsideThePumpCompletesFirst) {
  std::atomic<bool> inner_done{false};
  RawServer server([&](const std::string& request, RawConnection& c) {
    if (path_of(request) == "/outer") {
      wait_until([&] { return inner_done.load(); });
      c.send(http_response("outer page"));
    } else {
      c.send(http_response("inner page"));
    }
  });
  std::string inner;
  int depth = 0;
  lv::net::set_thread_event_pump([&] {
    if (depth > 0 || inner_done) return false;
    ++depth;
    inner = download_text(server.url("/inner"));
    --depth;
    inner_done = true;
    return true;
  });
  EXPECT_EQ(download_text(server.url("/outer")), "outer page");
  EXPECT_EQ(inner, "inner page");
}

TEST_F(DownloadWaitTest, ManyThreadsDownloadAtOnce) {
  RawServer server([](const std::string& request, RawConnection& c) { c.send(http_response(path_of(request))); });
  std::vector<std::thread> threads;
  std::atomic<int> right{0};
  for (int i = 0; i < 8; ++i) {
    threads.emplace_back([&, i] {
      for (int k = 0; k < 5; ++k) {
        const std::string path = "/t" + std::to_string(i) + "/" + std::to_string(k);
        if (download_text(server.url(path)) == path) ++right;
      }
    });
  }
  for (auto& t : threads) t.join();
  EXPECT_EQ(right.load(), 40);
}

}  // namespace
