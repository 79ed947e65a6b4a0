#include <gtest/gtest.h>

#include "net/page_fetch.h"

namespace {

using lv::net::url_host;
using lv::net::url_path;
using lv::net::url_port;

TEST(UrlSplit, SchemeHostWithCapitalsPortAndQuery) {
  const std::string url = "http://WWW.Example.COM:8080/books/12.html?page=2#top";
  EXPECT_EQ(url_host(url), "www.example.com");
  EXPECT_EQ(url_port(url), 8080);
  EXPECT_EQ(url_path(url), "/books/12.html?page=2#top");
}

TEST(UrlSplit, HostAloneHasPort80AndRootPath) {
  EXPECT_EQ(url_host("http://example.com"), "example.com");
  EXPECT_EQ(url_port("http://example.com"), 80);
  EXPECT_EQ(url_path("http://example.com"), "/");
}

TEST(UrlSplit, SchemeIsMatchedIgnoringCase) {
  EXPECT_EQ(url_host("HTTP://Site.Org/x"), "site.org");
  EXPECT_EQ(url_path("HtTp://Site.Org/x"), "/x");
}

TEST(UrlSplit, AddressWithoutSchemeIsSplitAtItsFirstSlash) {
  EXPECT_EQ(url_host("example.com/dir/page.html"), "example.com");
  EXPECT_EQ(url_port("example.com/dir/page.html"), 80);
  EXPECT_EQ(url_path("example.com/dir/page.html"), "/dir/page.html");
  EXPECT_EQ(url_host("Example.com:81"), "example.com");
  EXPECT_EQ(url_port("Example.com:81"), 81);
  EXPECT_EQ(url_path("Example.com:81"), "/");
}

TEST(UrlSplit, PortTextIsReadAsANumber) {
  EXPECT_EQ(url_port("http://host:/x"), 0);
  EXPECT_EQ(url_port("http://host:abc/x"), 0);
  EXPECT_EQ(url_port("http://host:8080x/x"), 8080);
  EXPECT_EQ(url_port("http://host:1:2/x"), 1);
  EXPECT_EQ(url_host("http://host:1:2/x"), "host");
  EXPECT_EQ(url_port("http://host:99999999999999/"), 0);
}

TEST(UrlSplit, SecureSchemeIsNotRecognised) {
  const std::string url = "https://www.example.com/a";
  EXPECT_EQ(url_host(url), "https");
  EXPECT_EQ(url_port(url), 0);
  EXPECT_EQ(url_path(url), "//www.example.com/a");
}

TEST(UrlSplit, PathSearchStartsWhereTheHostIsFirstFound) {
  // The host "t" is first found inside "http", so the path starts at the
  // first slash after it.
  EXPECT_EQ(url_path("http://t/x"), "//t/x");
}

TEST(UrlSplit, DoubleByteCharactersAreNotFolded) {
  // B0 41 is one GBK character whose second byte happens to be 'A'.
  EXPECT_EQ(url_host("http://\xB0\x41Xy/p"), "\xB0\x41xy");
}

}  // namespace
