// The sample site over HTTP, and the switches tests use to provoke a
// misbehaving server.
#include <gtest/gtest.h>
#include <httplib.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>

#include "base/code_page.h"
#include "net/download.h"
#include "net/gzip.h"
#include "sample_site/sample_server.h"
#include "support/test_support.h"

namespace {

using lv::site::Failure;
using lv::site::SampleServer;
using namespace std::chrono_literals;

class SampleServerTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(server_.start()); }

  // A client that shows the bytes as sent: no decompression, no gzip asked for.
  httplib::Result get(const std::string& path, const httplib::Headers& headers = {}) {
    httplib::Client client("127.0.0.1", server_.port());
    client.set_decompress(false);
    client.set_read_timeout(20s);
    return client.Get(path.c_str(), headers);
  }

  std::string plain(const std::string& path) {
    const auto r = server_.site().get(path, server_.site_host());
    return r ? r->body : std::string();
  }

  SampleServer server_;
};

TEST_F(SampleServerTest, ServesTheSitePagesForTheHostAsked) {
  EXPECT_TRUE(server_.running());
  EXPECT_GT(server_.port(), 0);
  EXPECT_EQ(server_.site_host(), "127.0.0.1:" + std::to_string(server_.port()));
  auto r = get("/sort2/1.html");
  ASSERT_TRUE(r);
  EXPECT_EQ(r->status, 200);
  EXPECT_EQ(r->get_header_value("Content-Type"), "text/html; charset=gbk");
  EXPECT_FALSE(r->has_header("Content-Encoding"));
  EXPECT_EQ(r->body, plain("/sort2/1.html"));

  r = get("/sort2/5.html", {{"Host", "books.test:8080"}});
  ASSERT_TRUE(r);
  EXPECT_EQ(r->body, server_.site().get("/sort2/5.html", "books.test:8080")->body);
  EXPECT_NE(r->body.find("http://books.test:8080/book/"), std::string::npos);

  r = get("/no/such/page.html");
  ASSERT_TRUE(r);
  EXPECT_EQ(r->status, 404);
  EXPECT_FALSE(r->body.empty());

  // a client asking for gzip still gets the plain bytes while the switch is off
  r = get("/sort2/2.html", {{"Accept-Encoding", "gzip, deflate"}});
  ASSERT_TRUE(r);
  EXPECT_FALSE(r->has_header("Content-Encoding"));
  EXPECT_EQ(r->body, plain("/sort2/2.html"));
}

TEST_F(SampleServerTest, CoversAreServedAsPictures) {
  const auto& site = server_.site();
  const int id = site.find_book_with_cover(lv::site::CoverKind::picture);
  const auto r = get(site.cover_path(id));
  ASSERT_TRUE(r);
  EXPECT_EQ(r->status, 200);
  EXPECT_EQ(r->get_header_value("Content-Type"), "image/jpeg");
  EXPECT_EQ(r->body.substr(0, 2), "\xFF\xD8");
  const auto missing = get(site.cover_path(site.find_book_with_cover(lv::site::CoverKind::missing)));
  ASSERT_TRUE(missing);
  EXPECT_EQ(missing->status, 404);
}

TEST_F(SampleServerTest, GzipSwitchEncodesBodies) {
  const std::string path = server_.site().book(1, 2).path;
  server_.set_gzip(path, true);
  auto r = get(path);
  ASSERT_TRUE(r);
  EXPECT_EQ(r->get_header_value("Content-Encoding"), "gzip");
  EXPECT_EQ(r->body.substr(0, 2), "\x1F\x8B");
  EXPECT_EQ(lv::net::gzip_decode(r->body), plain(path));
  EXPECT_FALSE(get("/sort2/1.html")->has_header("Content-Encoding"));

  server_.set_gzip(path, false);
  EXPECT_FALSE(get(path)->has_header("Content-Encoding"));
  server_.set_gzip(true);
  r = get("/sort2/3.html");
  ASSERT_TRUE(r);
  EXPECT_EQ(r->get_header_value("Content-Encoding"), "gzip");
  EXPECT_EQ(lv::net::gzip_decode(r->body), plain("/sort2/3.html"));
}

TEST_F(SampleServerTest, Utf8SwitchServesUtf8Pages) {
  const std::string path = "/sort2/2.html";
  server_.set_utf8(path, true);
  auto r = get(path);
  ASSERT_TRUE(r);
  EXPECT_EQ(r->get_header_value("Content-Type"), "text/html; charset=UTF-8");
  std::string expected = lv::base::gbk_to_utf8(plain(path));
  expected.replace(expected.find("charset=gbk"), 11, "charset=utf-8");
  EXPECT_EQ(r->body, expected);
  EXPECT_NE(r->body.find("\xE4\xBF\xAE\xE7\x9C\x9F"), std::string::npos);  // 修真 in UTF-8
  EXPECT_EQ(get("/sort2/3.html")->get_header_value("Content-Type"), "text/html; charset=gbk");

  // pictures stay pictures
  server_.set_utf8(true);
  const auto cover = get(std::string(lv::site::SampleSite::kPlaceholderCoverPath));
  EXPECT_EQ(cover->get_header_value("Content-Type"), "image/jpeg");
}

TEST_F(SampleServerTest, DownloadUndoesGzipAndUtf8) {
  const std::string path = server_.site().book(7, 1).path;
  server_.set_gzip(true);
  server_.set_utf8(true);
  const std::string got = lv::net::download_text("http://" + server_.site_host() + path);
  std::string expected = plain(path);
  expected.replace(expected.find("charset=gbk"), 11, "charset=utf-8");
  EXPECT_EQ(got, expected);
}

TEST_F(SampleServerTest, DelaySwitchHoldsTheAnswer) {
  const std::string path = "/sort2/4.html";
  server_.set_delay(path, 300ms);
  const auto start = std::chrono::steady_clock::now();
  const auto r = get(path);
  ASSERT_TRUE(r);
  EXPECT_GE(std::chrono::steady_clock::now() - start, 300ms);
  EXPECT_EQ(r->body, plain(path));
}

TEST_F(SampleServerTest, FailureSwitches) {
  const std::string path = server_.site().book(2, 2).path;
  server_.set_failure(path, Failure::not_found);
  auto r = get(path);
  ASSERT_TRUE(r);
  EXPECT_EQ(r->status, 404);
  EXPECT_NE(r->body.find("404"), std::string::npos);

  server_.set_failure(path, Failure::empty_body);
  r = get(path);
  ASSERT_TRUE(r);
  EXPECT_EQ(r->status, 200);
  EXPECT_EQ(r->body, "");
  EXPECT_EQ(r->get_header_value("Content-Length"), "0");

  server_.set_failure(path, Failure::drop_connection);
  r = get(path);
  EXPECT_FALSE(r);  // the body stops halfway and the connection closes
  EXPECT_EQ(lv::net::download_text("http://" + server_.site_host() + path).size() < plain(path).size(), true);

  server_.set_failure(path, Failure::none);
  r = get(path);
  ASSERT_TRUE(r);
  EXPECT_EQ(r->body, plain(path));

  server_.set_failure(path, Failure::not_found);
  server_.set_delay(path, 1s);
  server_.set_gzip(true);
  server_.clear_switches();
  const auto start = std::chrono::steady_clock::now();
  r = get(path);
  ASSERT_TRUE(r);
  EXPECT_LT(std::chrono::steady_clock::now() - start, 1s);
  EXPECT_EQ(r->body, plain(path));
}

TEST_F(SampleServerTest, CountsRequestsPerPath) {
  const auto& site = server_.site();
  const int id = site.book(1, 3).book_id;
  const std::string chapter = site.chapter_path(id, 1);
  EXPECT_EQ(server_.request_count(chapter), 0);
  ASSERT_TRUE(get(chapter));
  ASSERT_TRUE(get(chapter + "?again=1"));
  ASSERT_TRUE(get("/sort2/1.html"));
  ASSERT_TRUE(get("/missing"));
  EXPECT_EQ(server_.request_count(chapter), 2);
  EXPECT_EQ(server_.request_count("/sort2/1.html"), 1);
  EXPECT_EQ(server_.request_count("/missing"), 1);
  EXPECT_EQ(server_.total_requests(), 4);
  EXPECT_EQ(server_.request_counts().size(), 3u);
  server_.reset_counts();
  EXPECT_EQ(server_.total_requests(), 0);
  EXPECT_EQ(server_.request_count(chapter), 0);
}

TEST_F(SampleServerTest, StopEndsPendingDelaysAndTheServerRestarts) {
  const std::string path = "/sort2/6.html";
  server_.set_delay(path, 60s);
  std::atomic<bool> answered{false};
  std::thread waiting([&] {
    get(path);
    answered = true;
  });
  ASSERT_TRUE(lv::test::wait_until([&] { return server_.request_count(path) == 1; }));
  EXPECT_FALSE(server_.start());  // already running
  server_.stop();                 // must not sit out the minute
  waiting.join();
  EXPECT_TRUE(answered);
  EXPECT_FALSE(server_.running());

  ASSERT_TRUE(server_.start());
  server_.set_delay(path, 0ms);
  const auto r = get(path);
  ASSERT_TRUE(r);
  EXPECT_EQ(r->status, 200);
}

TEST_F(SampleServerTest, SwitchesChangeSafelyWhileRequestsRun) {
  std::atomic<bool> done{false};
  std::thread toggler([&] {
    for (int i = 0; !done; ++i) {
      server_.set_gzip(i % 2 == 0);
      server_.set_utf8("/sort2/1.html", i % 3 == 0);
      server_.set_delay("/sort2/9.html", std::chrono::milliseconds(i % 2));
      std::this_thread::yield();
    }
  });
  for (int i = 0; i < 20; ++i) {
    const auto r = get(i % 2 ? "/sort2/1.html" : "/sort2/9.html");
    ASSERT_TRUE(r);
    EXPECT_EQ(r->status, 200);
  }
  done = true;
  toggler.join();
  EXPECT_EQ(server_.total_requests(), 20);
}

}  // namespace
