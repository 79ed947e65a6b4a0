// How a transfer says it ended: status, bytes and reason, for the download
// and the page fetch alike, and the addresses a transfer may not be led to.
#include <gtest/gtest.h>

#include "net/address_policy.h"
#include "net/download.h"
#include "net/net_test_support.h"
#include "net/page_fetch.h"
#include "net/raw_server.h"
#include "support/test_support.h"

namespace {

using lv::net::TransferEnd;
using lv::net::TransferOutcome;
using lv::test::http_response;
using lv::test::RawConnection;
using lv::test::RawServer;
using std::chrono::milliseconds;

class TransferOutcomeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    lv::test::clear_proxy_environment();
    lv::net::set_download_timeouts_for_tests({milliseconds(1000), milliseconds(90000), milliseconds(2500)});
    lv::net::set_fetch_timeout_for_tests(milliseconds(1000));
    lv::net::set_fetch_deadline_for_tests(milliseconds(2500));
  }
  void TearDown() override {
    lv::net::set_download_timeouts_for_tests({});
    lv::net::set_fetch_timeout_for_tests(milliseconds(18000));
    lv::net::set_fetch_deadline_for_tests(milliseconds(120000));
    lv::net::treat_as_public_for_tests({});
  }

  static TransferOutcome download(const std::string& url, std::string* body = nullptr) {
    TransferOutcome outcome;
    lv::net::DownloadRequest request;
    request.url = url;
    request.outcome_out = &outcome;
    const std::string text = lv::net::download_text(request);
    if (body != nullptr) *body = text;
    return outcome;
  }
  static TransferOutcome fetch(const std::string& url, std::string* body = nullptr) {
    TransferOutcome outcome;
    const std::string text =
        lv::net::fetch_page(url, std::nullopt, std::nullopt, std::nullopt, std::nullopt, nullptr, &outcome);
    if (body != nullptr) *body = text;
    return outcome;
  }
};

// Holds the connection open until the client leaves (or the test ends).
void linger(const RawServer& server, RawConnection& c) {
  while (!server.stopping() && !c.peer_closed(20)) {
  }
}

TEST_F(TransferOutcomeTest, EachWayAnAnswerCanEndIsTold) {
  struct Case {
    const char* name;
    std::function<void(const RawServer&, RawConnection&)> answer;
    TransferEnd end;
    int status;
    std::uint64_t bytes;
    const char* body;
  };
  const std::vector<Case> cases = {
      {"whole", [](const RawServer&, RawConnection& c) { c.send(http_response("page")); }, TransferEnd::complete,
       200, 4, "page"},
      {"error status",
       [](const RawServer&, RawConnection& c) { c.send(http_response("busy", "Retry-After: 7\r\n", "503 Busy")); },
       TransferEnd::complete, 503, 4, "busy"},
      {"no status line",
       [](const RawServer&, RawConnection& c) { c.send("an old server's page"); }, TransferEnd::complete, 0, 20,
       "an old server's page"},
      {"cut short",
       [](const RawServer&, RawConnection& c) { c.send("HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\nfirst"); },
       TransferEnd::reset, 200, 5, "first"},
      {"stalled",
       [](const RawServer& s, RawConnection& c) {
         c.send("HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\nfirst");
         linger(s, c);
       },
       TransferEnd::timed_out, 200, 5, "first"},
      {"trickling past the deadline",
       [](const RawServer& s, RawConnection& c) {
         c.send("HTTP/1.1 200 OK\r\nContent-Length: 100000\r\n\r\n");
         while (!s.stopping() && !c.peer_closed(50) && c.send("x")) {
         }
       },
       TransferEnd::timed_out, 200, 0, nullptr},
  };
  for (const Case& c : cases) {
    RawServer server([&](const std::string&, RawConnection& connection) { c.answer(server, connection); });
    for (bool fetching : {false, true}) {
      std::string body;
      const TransferOutcome o = fetching ? fetch(server.url("/p"), &body) : download(server.url("/p"), &body);
      const std::string where = std::string(c.name) + (fetching ? " (fetch)" : " (download)");
      EXPECT_EQ(o.end, c.end) << where << ": " << o.detail;
      EXPECT_EQ(o.status, c.status) << where;
      if (c.body != nullptr) {
        EXPECT_EQ(o.bytes, c.bytes) << where;
        EXPECT_EQ(body, c.body) << where;
      } else {
        EXPECT_GT(o.bytes, 0u) << where;  // some came, but never the whole
        EXPECT_LT(o.bytes, 100000u) << where;
      }
      EXPECT_EQ(o.arrived_whole(), c.end == TransferEnd::complete) << where;
    }
  }
}

TEST_F(TransferOutcomeTest, RetryAfterInSecondsIsKept) {
  for (const char* value : {"7", "Wed, 21 Oct 2015 07:28:00 GMT"}) {
    RawServer server([&](const std::string&, RawConnection& c) {
      c.send(http_response("", std::string("Retry-After: ") + value + "\r\n", "429 Too Many Requests"));
    });
    const TransferOutcome o = download(server.url("/p"));
    EXPECT_EQ(o.status, 429);
    EXPECT_FALSE(o.fetched());
    if (std::string(value) == "7") {
      EXPECT_EQ(o.retry_after, std::chrono::seconds(7));
    } else {
      EXPECT_FALSE(o.retry_after.has_value());
    }
  }
}

TEST_F(TransferOutcomeTest, UnusableAndUnreachableAddresses) {
  int closed_port = 0;
  {
    RawServer gone([](const std::string&, RawConnection&) {});
    closed_port = gone.port();
  }
  const std::string nowhere = "http://127.0.0.1:" + std::to_string(closed_port) + "/p";
  EXPECT_EQ(download(nowhere).end, TransferEnd::connect_failed);
  EXPECT_EQ(fetch(nowhere).end, TransferEnd::connect_failed);
  EXPECT_EQ(download("").end, TransferEnd::bad_address);
  EXPECT_EQ(fetch("http://127.0.0.1:99999/p").end, TransferEnd::bad_address);
  // An empty port is the scheme's own, not an unusable one.
  EXPECT_NE(fetch("http://127.0.0.1:/p").end, TransferEnd::bad_address);
}

// 127.0.0.2 stands in for a site on a public address.
TEST_F(TransferOutcomeTest, PublicSiteCannotLeadToLoopback) {
  lv::net::treat_as_public_for_tests({"127.0.0.2"});
  RawServer home([](const std::string&, RawConnection& c) { c.send(http_response("private")); });
  RawServer site(
      [&](const std::string&, RawConnection& c) {
        c.send(http_response("", "Location: " + home.url("/secret") + "\r\n", "302 Found"));
      },
      "127.0.0.2");
  RawServer local_site([&](const std::string&, RawConnection& c) {
    c.send(http_response("", "Location: " + home.url("/own") + "\r\n", "302 Found"));
  });
  std::string body = "untouched";
  EXPECT_EQ(download(site.url("/r"), &body).end, TransferEnd::refused_address);
  EXPECT_EQ(body, "");
  EXPECT_EQ(fetch(site.url("/r")).end, TransferEnd::refused_address);
  EXPECT_EQ(home.request_count(), 0u);

  // A site on loopback itself may lead to loopback.
  EXPECT_EQ(download(local_site.url("/r"), &body).end, TransferEnd::complete);
  EXPECT_EQ(body, "private");

  // An address found on a public site's page (a cover) may not point home
  // either; one found on a loopback site's page may.
  for (const auto* origin : {&site, &local_site}) {
    TransferOutcome cover;
    lv::net::DownloadRequest request;
    request.url = home.url("/c.jpg");
    request.origin = origin->url("/book/1/");
    request.outcome_out = &cover;
    const bool from_public = origin == &site;
    EXPECT_EQ(lv::net::download_bytes(request).size(), from_public ? 0u : 7u);
    EXPECT_EQ(cover.end, from_public ? TransferEnd::refused_address : TransferEnd::complete);
  }
}

TEST(AddressKind, SortsAddressesByHowFarFromThePublicInternet) {
  using lv::net::AddressKind;
  const std::pair<const char*, AddressKind> cases[] = {
      {"8.8.8.8", AddressKind::public_address},      {"127.0.0.1", AddressKind::loopback},
      {"127.8.9.10", AddressKind::loopback},         {"0.0.0.0", AddressKind::loopback},
      {"10.1.2.3", AddressKind::private_network},    {"172.16.0.1", AddressKind::private_network},
      {"172.32.0.1", AddressKind::public_address},   {"192.168.1.1", AddressKind::private_network},
      {"100.64.0.1", AddressKind::private_network},  {"169.254.169.254", AddressKind::link_local},
      {"::1", AddressKind::loopback},                {"[::1]", AddressKind::loopback},
      {"::ffff:192.168.0.1", AddressKind::private_network}, {"fe80::1", AddressKind::link_local},
      {"fd00::1", AddressKind::private_network},     {"2001:db8::1", AddressKind::public_address},
  };
  for (const auto& [address, kind] : cases) EXPECT_EQ(lv::net::address_kind(address), kind) << address;
}

}  // namespace
