// The bytes a server receives from a download.
#include <gtest/gtest.h>

#include <cstdlib>

#include "net/download.h"
#include "net/net_test_support.h"
#include "net/raw_server.h"

namespace {

using lv::net::DownloadRequest;
using lv::net::download_bytes;
using lv::net::download_text;
using lv::test::http_response;
using lv::test::kAcceptLine;
using lv::test::kDownloadAgentLine;
using lv::test::kFormTypeLine;
using lv::test::kLanguageLine;
using lv::test::RawConnection;
using lv::test::RawServer;

class DownloadRequestTest : public ::testing::Test {
 protected:
  RawServer server{[](const std::string&, RawConnection& c) { c.send(http_response("ok")); }};

  std::string only_request() {
    EXPECT_EQ(server.request_count(), 1u);
    const auto all = server.requests();
    return all.empty() ? std::string() : all.front();
  }
  std::string head(std::string_view request_line) {
    return std::string(request_line) + "\r\nHost: " + server.host() + "\r\n";
  }
  static std::string referer(const std::string& url) { return "Referer: " + url + "\r\n"; }
};

TEST_F(DownloadRequestTest, PlainGetCarriesTheFixedLinesInOrder) {
  const std::string url = server.url("/sort2/1.html");
  EXPECT_EQ(download_text(url), "ok");
  EXPECT_EQ(only_request(), head("GET /sort2/1.html HTTP/1.1") + kDownloadAgentLine + kAcceptLine +
                                referer(url) + kLanguageLine + "\r\n");
}

TEST_F(DownloadRequestTest, CallerLineWithoutLineEndIsEndedBeforeTheFixedLines) {
  DownloadRequest r;
  r.url = server.url("/a");
  r.headers = "X-Token: 7";
  EXPECT_EQ(download_text(r), "ok");
  EXPECT_EQ(only_request(), head("GET /a HTTP/1.1") + "X-Token: 7\r\n" + kDownloadAgentLine + kAcceptLine +
                                referer(r.url) + kLanguageLine + "\r\n");
}

TEST_F(DownloadRequestTest, CallerLinesReplaceFixedOnesOnlyWhenSpelledExactly) {
  DownloadRequest r;
  r.url = server.url("/b");
  r.headers = "user-agent: mine\r\nAccept: text/html\r\nReferer: http://elsewhere/\r\n";
  EXPECT_EQ(download_text(r), "ok");
  EXPECT_EQ(only_request(), head("GET /b HTTP/1.1") + r.headers + kDownloadAgentLine + kLanguageLine + "\r\n");
}

TEST_F(DownloadRequestTest, CallerLineWithAnEmptyValueIsStillSent) {
  DownloadRequest r;
  r.url = server.url("/e");
  r.headers = "X-Empty:\r\nX-Next: 1\r\n";
  EXPECT_EQ(download_text(r), "ok");
  EXPECT_EQ(only_request(), head("GET /e HTTP/1.1") + r.headers + kDownloadAgentLine + kAcceptLine +
                                referer(r.url) + kLanguageLine + "\r\n");
}

TEST_F(DownloadRequestTest, CompressionRequestAddsTheEncodingLine) {
  DownloadRequest r;
  r.url = server.url("/c");
  r.request_compression = true;
  EXPECT_EQ(download_text(r), "ok");
  EXPECT_EQ(only_request(), head("GET /c HTTP/1.1") + kDownloadAgentLine + kAcceptLine + referer(r.url) +
                                kLanguageLine + "Accept-Encoding: gzip, deflate\r\n\r\n");
}

TEST_F(DownloadRequestTest, LowerCasePostIsSentAsPostWithTheFormType) {
  DownloadRequest r;
  r.url = server.url("/form");
  r.method = "post";
  r.post_data = lv::base::Bytes::from_string("a=1&b=2");
  EXPECT_EQ(download_text(r), "ok");
  EXPECT_EQ(only_request(), head("POST /form HTTP/1.1") + kDownloadAgentLine + kAcceptLine + referer(r.url) +
                                kLanguageLine + kFormTypeLine + "Content-Length: 7\r\n\r\na=1&b=2");
}

TEST_F(DownloadRequestTest, PostKeepsTheCallersContentTypeAndSendsZeroBytes) {
  DownloadRequest r;
  r.url = server.url("/bin");
  r.method = "POST";
  r.headers = "Content-Type: application/octet-stream\r\n";
  r.post_data = lv::base::Bytes::from_string(std::string("\x00\x01\x02", 3));
  EXPECT_EQ(download_text(r), "ok");
  EXPECT_EQ(only_request(), head("POST /bin HTTP/1.1") + r.headers + kDownloadAgentLine + kAcceptLine +
                                referer(r.url) + kLanguageLine + "Content-Length: 3\r\n\r\n" +
                                std::string("\x00\x01\x02", 3));
}

TEST_F(DownloadRequestTest, LargePostGoesOutWithoutWaitingForContinue) {
  DownloadRequest r;
  r.url = server.url("/big");
  r.method = "POST";
  r.post_data = lv::base::Bytes::from_string(std::string(200000, 'x'));
  EXPECT_EQ(download_text(r), "ok");
  const std::string request = only_request();
  EXPECT_EQ(request.find("Expect"), std::string::npos);
  EXPECT_TRUE(request.ends_with("\r\n\r\n" + std::string(200000, 'x')));
}

TEST_F(DownloadRequestTest, OtherVerbsAreFoldedToUpperCaseAndSendNoBody) {
  DownloadRequest r;
  r.url = server.url("/v");
  r.method = "put";
  r.post_data = lv::base::Bytes::from_string("ignored");
  EXPECT_EQ(download_text(r), "ok");
  EXPECT_EQ(only_request(), head("PUT /v HTTP/1.1") + kDownloadAgentLine + kAcceptLine + referer(r.url) +
                                kLanguageLine + "\r\n");
}

TEST_F(DownloadRequestTest, LeadingWhiteSpaceIsRemovedAndThePathCanonicalised) {
  const std::string url = server.url("/a/./b/../c d.html?q=1#part");
  EXPECT_EQ(download_text(" \t " + url), "ok");
  EXPECT_EQ(only_request(), head("GET /a/c%20d.html?q=1 HTTP/1.1") + kDownloadAgentLine + kAcceptLine +
                                referer(url) + kLanguageLine + "\r\n");
}

TEST_F(DownloadRequestTest, UnusableAddressesMakeNoRequest) {
  EXPECT_EQ(download_text(""), "");
  EXPECT_EQ(download_text("no scheme here"), "");
  EXPECT_EQ(download_text(server.url("/x\r\nInjected: 1")), "");
  EXPECT_EQ(download_text("http://" + std::string(300, 'h') + "/"), "");
  EXPECT_EQ(download_text(server.url("/" + std::string(2100, 'p'))), "");
  EXPECT_TRUE(download_bytes("file:///etc/passwd").empty());
  EXPECT_EQ(server.request_count(), 0u);
}

TEST_F(DownloadRequestTest, AnyOtherSchemeIsRequestedOverHttp) {
  // The scheme only chooses the default port; the port written here wins.
  const std::string url = "ftp://" + server.host() + "/over-http";
  EXPECT_EQ(download_text(url), "ok");
  EXPECT_EQ(only_request(), head("GET /over-http HTTP/1.1") + kDownloadAgentLine + kAcceptLine + referer(url) +
                                kLanguageLine + "\r\n");
}

TEST_F(DownloadRequestTest, GivenProxyReceivesTheAbsoluteAddress) {
  DownloadRequest r;
  r.url = "http://lorevane.invalid/page.html";
  r.proxy = "http=" + server.host();
  EXPECT_EQ(download_text(r), "ok");
  const std::string request = only_request();
  EXPECT_TRUE(request.starts_with("GET http://lorevane.invalid/page.html HTTP/1.1\r\nHost: lorevane.invalid\r\n"))
      << request;
  EXPECT_NE(request.find(kDownloadAgentLine + kAcceptLine + referer(r.url) + kLanguageLine), std::string::npos);
}

TEST_F(DownloadRequestTest, EmptyProxyFollowsTheProxyEnvironment) {
  ::setenv("http_proxy", ("http://" + server.host()).c_str(), 1);
  const std::string text = download_text("http://lorevane.invalid/env.html");
  ::unsetenv("http_proxy");
  EXPECT_EQ(text, "ok");
  EXPECT_TRUE(only_request().starts_with("GET http://lorevane.invalid/env.html HTTP/1.1\r\n"));
}

}  // namespace
