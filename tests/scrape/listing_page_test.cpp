#include "scrape/listing_page.h"

#include <gtest/gtest.h>

#include "base/code_page.h"

namespace {

using lv::base::gbk;
using lv::base::Text;

constexpr const char* kHost = "books.test:8080";

// The page head: a DOCTYPE line of the usual length, so no marker sits in
// the first 139 bytes.
Text page_head() {
  return "<!DOCTYPE html PUBLIC \"-//W3C//DTD XHTML 1.0 Transitional//EN\" "
         "\"http://www.w3.org/TR/xhtml1/DTD/xhtml1-transitional.dtd\">\r\n"
         "<html xmlns=\"http://www.w3.org/1999/xhtml\">\r\n<head>\r\n"
         "<div class=\"nav\"><ul>\r\n<li><a href=\"http://" + std::string(kHost) + "/\">HOME</a></li>\r\n"
         "</ul></div>\r\n<div id=\"newscontent\"><ul>\r\n";
}

Text row(const Text& address, const Text& title, const Text& latest) {
  return "<li><span class=\"s1\">" + gbk("[修真小说]") + "</span><span class=\"s2\"><a href=\"" + address +
         "\">" + title + "</a></span><span class=\"s3\"><a href=\"http://" + kHost + "/book/1/1/" +
         "100.html\" target=\"_blank\">" + latest + "</a></span><span class=\"s4\">" + gbk("作者") +
         "</span><span class=\"s5\">18-05-20</span></li>\r\n";
}

Text book_address(int i) { return "http://" + std::string(kHost) + "/book/1/" + std::to_string(i) + "/"; }

Text page_with_rows(int count) {
  Text page = page_head();
  for (int i = 1; i <= count; ++i) {
    page += row(book_address(i), gbk("书") + std::to_string(i), gbk("第") + std::to_string(i) + gbk("章"));
  }
  return page + "</ul></div>\r\n";
}

TEST(ListingPage, RowsStayAlignedAfterTheFirstEntriesAreDropped) {
  // The home link above the list makes the titles cut find an extra first
  // item that swallows the first row's title; dropping the first entry of
  // every list keeps rows 2..21 aligned (the first row is lost on purpose).
  const auto entries = lv::scrape::parse_listing_page(page_with_rows(21), kHost);
  ASSERT_EQ(entries.addresses.size(), 20u);
  ASSERT_EQ(entries.titles.size(), 20u);
  ASSERT_EQ(entries.latest.size(), 20u);
  EXPECT_EQ(entries.addresses[0], book_address(2));
  EXPECT_EQ(entries.titles[0], gbk("《书2》"));
  EXPECT_EQ(entries.latest[0], gbk("第2章"));
  EXPECT_EQ(entries.addresses[19], book_address(21));
  EXPECT_EQ(entries.titles[19], gbk("《书21》"));
}

TEST(ListingPage, TitlesAndLatestChaptersDecodeTheirReferencesAddressesDoNot) {
  const Text page = page_head() + row(book_address(1), "x", "y") +
                    row(book_address(2) + "a&amp;b/", gbk("刀&amp;剑"), gbk("第2章 &quot;问&quot;&#x2026;")) +
                    "</ul></div>\r\n";
  const auto entries = lv::scrape::parse_listing_page(page, kHost);
  EXPECT_EQ(entries.titles, (std::vector<Text>{gbk("《刀&剑》")}));
  EXPECT_EQ(entries.latest, (std::vector<Text>{gbk("第2章 \"问\"…")}));
  EXPECT_EQ(entries.addresses, (std::vector<Text>{book_address(2) + "a&amp;b/"}));
}

TEST(ListingPage, TitlesEndMarkerNamesTheSiteHost) {
  const auto other_host = lv::scrape::parse_listing_page(page_with_rows(5), "elsewhere.test");
  EXPECT_TRUE(other_host.titles.empty());
  EXPECT_EQ(other_host.addresses.size(), 4u);
}

TEST(ListingPage, MarkersInTheFirst139BytesAreNotSeen) {
  // A page that is nothing but rows: the first row starts at byte 1, inside
  // the skipped head, so it is never found and the second row becomes the
  // dropped first entry.
  Text page;
  for (int i = 1; i <= 3; ++i) page += row(book_address(i), "T", "L");
  const auto entries = lv::scrape::parse_listing_page(page, kHost);
  EXPECT_EQ(entries.addresses.size(), 1u);
  EXPECT_EQ(entries.addresses.front(), book_address(3));
}

TEST(ListingPage, EmptyOrForeignBodyGivesNoEntries) {
  for (const Text& body : {Text(), Text(500, 'x')}) {
    const auto entries = lv::scrape::parse_listing_page(body, kHost);
    EXPECT_TRUE(entries.addresses.empty());
    EXPECT_TRUE(entries.titles.empty());
    EXPECT_TRUE(entries.latest.empty());
  }
}

TEST(ListingPage, MarkersAreCaseSensitive) {
  Text page = page_with_rows(3);
  for (auto pos = page.find("<li><span class=\"s1\">"); pos != Text::npos;
       pos = page.find("<li><span class=\"s1\">", pos + 1)) {
    page.replace(pos, 4, "<LI>");
  }
  EXPECT_TRUE(lv::scrape::parse_listing_page(page, kHost).addresses.empty());
}

}  // namespace
