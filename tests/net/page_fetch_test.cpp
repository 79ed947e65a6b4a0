// The page fetch: the request a server receives and what the caller gets back.
#include "net/page_fetch.h"

#include <gtest/gtest.h>

#include <atomic>

#include "net/event_pump.h"
#include "net/net_test_support.h"
#include "net/raw_server.h"
#include "support/test_support.h"

namespace {

using lv::net::fetch_page;
using lv::test::http_response;
using lv::test::kAcceptLine;
using lv::test::kFetchAgentLine;
using lv::test::kFormTypeLine;
using lv::test::kLanguageLine;
using lv::test::RawConnection;
using lv::test::RawServer;
using lv::test::wait_until;

class PageFetchTest : public ::testing::Test {
 protected:
  void TearDown() override {
    lv::net::set_thread_event_pump({});
    lv::net::set_fetch_timeout_for_tests(std::chrono::milliseconds(18000));
  }
  RawServer server{[](const std::string&, RawConnection& c) { c.send(http_response("page")); }};

  std::string only_request() {
    EXPECT_EQ(server.request_count(), 1u);
    const auto all = server.requests();
    return all.empty() ? std::string() : all.front();
  }
  std::string head(std::string_view request_line) {
    return std::string(request_line) + "\r\nHost: " + server.host() + "\r\n" + kFetchAgentLine;
  }
  static std::string referer(const std::string& url) { return "Referer: " + url + "\r\n"; }
};

TEST_F(PageFetchTest, PlainGetCarriesTheBrowserIdentityAndFixedLines) {
  const std::string url = server.url("/book/12.html");
  EXPECT_EQ(fetch_page(url), "page");
  EXPECT_EQ(only_request(), head("GET /book/12.html HTTP/1.1") + kAcceptLine + referer(url) + kLanguageLine + "\r\n");
}

TEST_F(PageFetchTest, LowerCasePostKeepsItsSpellingAndGetsTheFormLines) {
  const std::string url = server.url("/f");
  EXPECT_EQ(fetch_page(url, "post", std::nullopt, std::nullopt, "a=1&b=2"), "page");
  EXPECT_EQ(only_request(), head("post /f HTTP/1.1") + kAcceptLine + referer(url) + kLanguageLine + kFormTypeLine +
                                "Content-Length: 7\r\n\r\na=1&b=2");
}

TEST_F(PageFetchTest, PostWithoutDataSendsNoFormLinesAndNoBody) {
  const std::string url = server.url("/f");
  EXPECT_EQ(fetch_page(url, "POST", std::nullopt, std::nullopt, ""), "page");
  EXPECT_EQ(only_request(), head("POST /f HTTP/1.1") + kAcceptLine + referer(url) + kLanguageLine + "\r\n");
}

TEST_F(PageFetchTest, OtherVerbsBecomeGetWithoutBody) {
  const std::string url = server.url("/g");
  EXPECT_EQ(fetch_page(url, "PUT", std::nullopt, std::nullopt, "data"), "page");
  EXPECT_EQ(fetch_page(url, "get"), "page");
  const auto requests = server.requests();
  ASSERT_EQ(requests.size(), 2u);
  for (const auto& r : requests) {
    EXPECT_EQ(r, head("GET /g HTTP/1.1") + kAcceptLine + referer(url) + kLanguageLine + "\r\n");
  }
}

TEST_F(PageFetchTest, CallerLinesAreMatchedIgnoringCase) {
  const std::string url = server.url("/h");
  const std::string mine = "accept: text/html\r\nREFERER: http://from/\r\n";
  EXPECT_EQ(fetch_page(url, std::nullopt, std::nullopt, mine), "page");
  EXPECT_EQ(only_request(), head("GET /h HTTP/1.1") + mine + kLanguageLine + "\r\n");
}

TEST_F(PageFetchTest, CallersContentLengthDoesNotSuppressTheAppendedOne) {
  const std::string url = server.url("/p");
  EXPECT_EQ(fetch_page(url, "POST", std::nullopt, "Content-Length: 3\r\n", "abc"), "page");
  EXPECT_EQ(only_request(), head("POST /p HTTP/1.1") + "Content-Length: 3\r\n" + kAcceptLine + referer(url) +
                                kLanguageLine + kFormTypeLine + "Content-Length: 3\r\n\r\nabc");
}

TEST_F(PageFetchTest, AddressWithoutSchemeIsStillRequested) {
  const std::string url = server.host() + "/plain/path?x=1";
  EXPECT_EQ(fetch_page(url), "page");
  EXPECT_EQ(only_request(), head("GET /plain/path?x=1 HTTP/1.1") + kAcceptLine + referer(url) + kLanguageLine + "\r\n");
}

TEST_F(PageFetchTest, UnusableAddressesGiveEmptyText) {
  EXPECT_EQ(fetch_page("https://" + server.host() + "/"), "");
  EXPECT_EQ(fetch_page("http://127.0.0.1:/x"), "");
  EXPECT_EQ(fetch_page(server.url("/a\r\nX-Injected: 1")), "");
  EXPECT_EQ(server.request_count(), 0u);
}

TEST_F(PageFetchTest, GivenProxyIsAnHttpProxy) {
  EXPECT_EQ(fetch_page("http://lorevane.invalid/book.html", std::nullopt, server.host()), "page");
  const std::string request = only_request();
  EXPECT_TRUE(request.starts_with("GET http://lorevane.invalid/book.html HTTP/1.1\r\nHost: lorevane.invalid\r\n"))
      << request;
}

TEST_F(PageFetchTest, ResponseHeadersOnlyWhenAsked) {
  RawServer s([](const std::string&, RawConnection& c) { c.send(http_response("b", "X-Site: sample\r\n")); });
  std::string headers;
  EXPECT_EQ(fetch_page(s.url("/"), std::nullopt, std::nullopt, std::nullopt, std::nullopt, &headers), "b");
  EXPECT_TRUE(headers.starts_with("HTTP/1.1 200 OK\r\n"));
  EXPECT_NE(headers.find("X-Site: sample\r\n"), std::string::npos);
}

TEST_F(PageFetchTest, BodyIsRawAndCutAtTheFirstZeroByte) {
  RawServer s([](const std::string&, RawConnection& c) {
    c.send(http_response(std::string("\x1f\x8b\x08zz\0tail", 10), "Content-Encoding: gzip\r\n"));
  });
  EXPECT_EQ(fetch_page(s.url("/")), "\x1f\x8b\x08zz");
}

TEST_F(PageFetchTest, RedirectsAreFollowed) {
  RawServer s([](const std::string& request, RawConnection& c) {
    if (request.starts_with("GET /from ")) {
      c.send(http_response("", "Location: /to\r\n", "302 Found"));
    } else {
      c.send(http_response("destination"));
    }
  });
  EXPECT_EQ(fetch_page(s.url("/from")), "destination");
}

TEST_F(PageFetchTest, SilentServerIsGivenUpAfterTheTimeOut) {
  lv::net::set_fetch_timeout_for_tests(std::chrono::milliseconds(300));
  RawServer s([&](const std::string&, RawConnection& c) {
    while (!c.peer_closed(20)) {
    }
  });
  EXPECT_EQ(fetch_page(s.url("/")), "");
}

TEST_F(PageFetchTest, EventsRunBetweenReads) {
  std::atomic<int> pumped{0};
  lv::net::set_thread_event_pump([&] {
    ++pumped;
    return false;
  });
  RawServer s([&](const std::string&, RawConnection& c) {
    c.send("HTTP/1.1 200 OK\r\nContent-Length: 10\r\n\r\nhello");
    const int seen = pumped.load();
    // The rest comes only once the caller has run its events again.
    wait_until([&] { return pumped.load() > seen + 2; });
    c.send("world");
  });
  EXPECT_EQ(fetch_page(s.url("/")), "helloworld");
  EXPECT_GT(pumped.load(), 2);
}

TEST_F(PageFetchTest, FetchStartedInsideThePumpRunsNested) {
  std::atomic<bool> inner_done{false};
  RawServer s([&](const std::string& request, RawConnection& c) {
    if (request.starts_with("GET /outer ")) {
      wait_until([&] { return inner_done.load(); });
      c.send(http_response("outer"));
    } else {
      c.send(http_response("inner"));
    }
  });
  std::string inner;
  lv::net::set_thread_event_pump([&] {
    if (!inner.empty()) return false;
    inner = "running";
    inner = fetch_page(s.url("/inner"));
    inner_done = true;
    return true;
  });
  EXPECT_EQ(fetch_page(s.url("/outer")), "outer");
  EXPECT_EQ(inner, "inner");
}

}  // namespace
