// What a download makes of the answers it gets.
#include <gtest/gtest.h>

#include "base/code_page.h"
#include "net/download.h"
#include "net/gzip_maker.h"
#include "net/net_test_support.h"
#include "net/raw_server.h"
#include "net/page_fetch.h"

namespace {

using lv::net::DownloadRequest;
using lv::net::download_bytes;
using lv::net::download_text;
using lv::net::kMaxBodyBytes;
using lv::test::http_response;
using lv::test::RawConnection;
using lv::test::RawServer;

std::string path_of(const std::string& request) {
  const std::size_t start = request.find(' ') + 1;
  return request.substr(start, request.find(' ', start) - start);
}

// Serves one fixed answer for every request.
struct FixedServer {
  explicit FixedServer(std::string answer)
      : server([a = std::move(answer)](const std::string&, RawConnection& c) { c.send(a); }) {}
  RawServer server;
};

const std::string kUtf8Author = "\xE4\xBD\x9C\xE8\x80\x85";  // 作者 in UTF-8

TEST(DownloadDecoding, GbkPageWithoutCharsetArrivesByteForByte) {
  const std::string page = "<title>\xD7\xF7\xD5\xDF</title>";  // 作者 in GBK
  FixedServer s(http_response(page, "Content-Type: text/html\r\n"));
  EXPECT_EQ(download_text(s.server.url("/")), page);
}

TEST(DownloadDecoding, Utf8NamedInCapitalsIsConvertedToGbk) {
  FixedServer s(http_response(kUtf8Author, "Content-Type: text/html; charset=UTF-8\r\n"));
  EXPECT_EQ(download_text(s.server.url("/")), lv::base::gbk("作者"));
  EXPECT_EQ(download_bytes(s.server.url("/")).view(), kUtf8Author);
}

TEST(DownloadDecoding, CharsetWithoutTheDashIsNotConverted) {
  FixedServer s(http_response(kUtf8Author, "Content-Type: text/html; charset=utf8\r\n"));
  EXPECT_EQ(download_text(s.server.url("/")), kUtf8Author);
}

TEST(DownloadDecoding, TextStopsAtTheFirstZeroByteButBytesDoNot) {
  const std::string body("abc\0def", 7);
  FixedServer s(http_response(body));
  EXPECT_EQ(download_text(s.server.url("/")), "abc");
  EXPECT_EQ(download_bytes(s.server.url("/")).view(), body);
}

TEST(DownloadDecoding, GzipBodyIsDecodedForTextOnly) {
  const std::string page = "<html>" + std::string(5000, 'x') + "</html>";
  const std::string packed = lv::test::gzip(page);
  FixedServer s(http_response(packed, "Content-Encoding: gzip\r\n"));
  EXPECT_EQ(download_text(s.server.url("/")), page);
  EXPECT_EQ(download_bytes(s.server.url("/")).view(), packed);
}

TEST(DownloadDecoding, GzipThenUtf8Conversion) {
  FixedServer s(http_response(lv::test::gzip(kUtf8Author),
                              "Content-Type: text/html; charset=utf-8\r\nContent-Encoding: gzip\r\n"));
  EXPECT_EQ(download_text(s.server.url("/")), lv::base::gbk("作者"));
}

TEST(DownloadDecoding, EncodingInCapitalsIsNotDecoded) {
  const std::string packed = lv::test::gzip("hidden");
  FixedServer s(http_response(packed, "Content-Encoding: GZIP\r\n"));
  EXPECT_EQ(download_text(s.server.url("/")), packed.substr(0, packed.find('\0')));
}

TEST(DownloadDecoding, DeflateBodyIsInflated) {
  FixedServer s(http_response(lv::test::deflate_with("deflated page", 15), "Content-Encoding: deflate\r\n"));
  EXPECT_EQ(download_text(s.server.url("/")), "deflated page");
}

TEST(DownloadDecoding, EmptyGzipBodyGivesEmptyResults) {
  FixedServer s(http_response("", "Content-Encoding: gzip\r\n"));
  EXPECT_EQ(download_text(s.server.url("/")), "");
  EXPECT_TRUE(download_bytes(s.server.url("/")).empty());
}

TEST(DownloadDecoding, ErrorStatusBodyIsDeliveredLikeAnyOther) {
  FixedServer s(http_response("not here", "", "404 Not Found"));
  EXPECT_EQ(download_text(s.server.url("/")), "not here");
}

TEST(DownloadDecoding, ChunkedBodyIsJoined) {
  FixedServer s("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\nConnection: close\r\n\r\n"
                "3\r\nabc\r\n4\r\ndefg\r\n0\r\n\r\n");
  EXPECT_EQ(download_text(s.server.url("/")), "abcdefg");
}

TEST(DownloadRedirects, FinalAnswerIsTheResult) {
  RawServer server([](const std::string& request, RawConnection& c) {
    const std::string path = path_of(request);
    if (path == "/old") {
      c.send(http_response("moved away", "Location: /mid\r\n", "301 Moved Permanently"));
    } else if (path == "/mid") {
      c.send(http_response("", "Location: /new\r\n", "302 Found"));
    } else {
      c.send(http_response("arrived", "X-Final: yes\r\n"));
    }
  });
  DownloadRequest r;
  r.url = server.url("/old");
  std::string headers;
  r.headers_out = &headers;
  EXPECT_EQ(download_text(r), "arrived");
  EXPECT_TRUE(headers.starts_with("HTTP/1.1 200 OK\r\n")) << headers;
  EXPECT_NE(headers.find("X-Final: yes\r\n"), std::string::npos);
  const auto requests = server.requests();
  ASSERT_EQ(requests.size(), 3u);
  EXPECT_TRUE(requests[2].starts_with("GET /new HTTP/1.1\r\n"));

  r.open_flags = lv::net::kFlagNoAutoRedirect;
  EXPECT_EQ(download_text(r), "moved away");
}

TEST(DownloadCookies, SetCookieValuesAreJoinedAndSentOnLaterRequests) {
  RawServer server([](const std::string& request, RawConnection& c) {
    if (path_of(request) == "/jar/set") {
      c.send(http_response("set", "Set-Cookie: sid=abc; Path=/jar\r\nSet-Cookie: lang=zh; Path=/jar\r\n"));
    } else {
      c.send(http_response("used"));
    }
  });
  DownloadRequest r;
  r.url = server.url("/jar/set");
  std::string cookies;
  r.cookies_out = &cookies;
  EXPECT_EQ(download_text(r), "set");
  EXPECT_EQ(cookies, "sid=abc; Path=/jar\r\nlang=zh; Path=/jar");

  EXPECT_EQ(download_text(server.url("/jar/use")), "used");
  EXPECT_EQ(lv::net::fetch_page(server.url("/jar/fetch")), "used");
  const auto requests = server.requests();
  ASSERT_EQ(requests.size(), 3u);
  for (int i : {1, 2}) {
    EXPECT_NE(requests[static_cast<std::size_t>(i)].find("\r\nCookie: "), std::string::npos) << requests[i];
    EXPECT_NE(requests[static_cast<std::size_t>(i)].find("sid=abc"), std::string::npos);
    EXPECT_NE(requests[static_cast<std::size_t>(i)].find("lang=zh"), std::string::npos);
  }
  r.url = server.url("/jar/none");
  r.open_flags = lv::net::kFlagNoCookies;
  EXPECT_EQ(download_text(r), "used");
  EXPECT_EQ(server.requests().back().find("Cookie"), std::string::npos);
}

TEST(DownloadLimits, BodyStopsAtTheCap) {
  constexpr std::size_t size = kMaxBodyBytes + (1u << 20);
  RawServer server([](const std::string&, RawConnection& c) {
    std::string head = "HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(size) + "\r\n\r\n";
    if (!c.send(head)) return;
    const std::string block(1u << 20, 'b');
    for (std::size_t sent = 0; sent < size; sent += block.size()) {
      if (!c.send(block)) return;
    }
  });
  const lv::base::Bytes bytes = download_bytes(server.url("/huge"));
  EXPECT_EQ(bytes.size(), kMaxBodyBytes);
  EXPECT_EQ(bytes.data()[kMaxBodyBytes - 1], 'b');
}

TEST(DownloadLimits, GzipOutputStopsAtTheCap) {
  const std::string packed = lv::test::gzip(std::string(kMaxBodyBytes + (1u << 20), 'z'));
  FixedServer s(http_response(packed, "Content-Encoding: gzip\r\n"));
  const std::string text = download_text(s.server.url("/bomb"));
  EXPECT_EQ(text.size(), kMaxBodyBytes);
  EXPECT_EQ(text.find_first_not_of('z'), std::string::npos);
}

}  // namespace
