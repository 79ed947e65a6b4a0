// Downloads from the bundled sample site with its gzip and UTF-8 switches:
// whatever the server's transfer form, download_text gives the GBK page.
#include <gtest/gtest.h>

#include "net/download.h"
#include "net/net_test_support.h"
#include "net/page_fetch.h"
#include "sample_site/sample_server.h"

namespace {

class SampleSiteDownload : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(server.start()); }
  std::string url(const std::string& path) const { return "http://" + server.site_host() + path; }
  std::string page(const std::string& path) const {
    const auto response = server.site().get(path, server.site_host());
    return response ? response->body : std::string();
  }
  lv::site::SampleServer server;
};

TEST_F(SampleSiteDownload, ListingPageArrivesAsTheSiteMadeIt) {
  const std::string expected = page("/sort2/3.html");
  ASSERT_FALSE(expected.empty());
  EXPECT_EQ(lv::net::download_text(url("/sort2/3.html")), expected);
  EXPECT_EQ(lv::net::fetch_page(url("/sort2/3.html")), expected);
}

TEST_F(SampleSiteDownload, GzipAndUtf8TransfersGiveTheSameGbkPage) {
  const std::string expected = page("/sort2/7.html");
  server.set_gzip(true);
  EXPECT_EQ(lv::net::download_text(url("/sort2/7.html")), expected);
  // A UTF-8 page declares its charset inside as well; only that declaration differs.
  std::string relabelled = expected;
  const std::size_t at = relabelled.find("charset=gbk");
  ASSERT_NE(at, std::string::npos);
  relabelled.replace(at, 11, "charset=utf-8");
  server.set_utf8(true);
  EXPECT_EQ(lv::net::download_text(url("/sort2/7.html")), relabelled);
  server.set_gzip(false);
  EXPECT_EQ(lv::net::download_text(url("/sort2/7.html")), relabelled);
}

}  // namespace
