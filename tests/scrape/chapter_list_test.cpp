#include "scrape/chapter_list.h"

#include <gtest/gtest.h>

#include "base/code_page.h"

namespace {

using lv::base::gbk;
using lv::base::Text;
using lv::scrape::parse_chapter_list;

// The book page head: a DOCTYPE line of the usual length, so the first 87
// bytes hold no link.
Text page_head() {
  return "<!DOCTYPE html PUBLIC \"-//W3C//DTD XHTML 1.0 Transitional//EN\" "
         "\"http://www.w3.org/TR/xhtml1/DTD/xhtml1-transitional.dtd\">\r\n"
         "<html xmlns=\"http://www.w3.org/1999/xhtml\">\r\n<head>\r\n</head>\r\n";
}

Text link(const Text& address, const Text& title) {
  return "<dd><a href=\"" + address + "\" title=\"" + title + "\">" + title + "</a></dd>\r\n";
}

Text book_page(const Text& book_title, const std::vector<std::pair<Text, Text>>& links) {
  Text page = page_head() + "<div id=\"info\">\r\n<h1>" + book_title + "</h1>\r\n</div>\r\n" +
              "<div id=\"list\"><dl>\r\n<dt>" + book_title + "</dt>\r\n";
  for (const auto& [address, title] : links) page += link(address, title);
  return page + "</dl></div>\r\n";
}

TEST(ChapterList, PairsAddressesAndTitlesInPageOrder) {
  const auto list = parse_chapter_list(book_page(
      gbk("仙路"), {{"1001.html", gbk("第一章 起")}, {"1002.html", gbk("第二章 承")},
                    {"1003.html", gbk("第三章 转")}}));
  EXPECT_EQ(list.book_title, gbk("仙路"));
  EXPECT_EQ(list.addresses, (std::vector<Text>{"1001.html", "1002.html", "1003.html"}));
  // The title cut starts behind the quote, so each title keeps its leading character.
  EXPECT_EQ(list.titles, (std::vector<Text>{gbk("第一章 起"), gbk("第二章 承"), gbk("第三章 转")}));
}

TEST(ChapterList, AddressEndMarkerNeedsTheChapterCharacter) {
  // Bytes: the address start marker, 123.html, the end marker (ending in B5 DA),
  // then "一章 X" and the title end marker.
  const Text page = page_head() + "<dd><a href=\"123.html\" title=\"\xB5\xDA"
                    "\xD2\xBB\xD5\xC2 X\">" /* 第 一 章 */;
  const auto list = parse_chapter_list(page);
  ASSERT_EQ(list.addresses.size(), 1u);
  EXPECT_EQ(list.addresses[0], "123.html");
  ASSERT_EQ(list.titles.size(), 1u);
  EXPECT_EQ(list.titles[0], gbk("第一章 X"));
}

TEST(ChapterList, TitleWithoutChapterCharacterShiftsTheLaterPairs) {
  const auto list = parse_chapter_list(book_page(
      gbk("书"), {{"1.html", gbk("第1章")}, {"2.html", gbk("序言")}, {"3.html", gbk("第3章")},
                 {"4.html", gbk("第4章")}}));
  // The prologue's address runs on to the next chapter link's end marker.
  ASSERT_EQ(list.addresses.size(), 3u);
  ASSERT_EQ(list.titles.size(), 4u);
  EXPECT_EQ(list.addresses[0], "1.html");
  EXPECT_EQ(list.addresses[1].substr(0, 6), "2.html");
  EXPECT_NE(list.addresses[1].find("3.html"), Text::npos);
  // Entries pair strictly by index: the third title now sits with the fourth address.
  EXPECT_EQ(list.titles[2], gbk("第3章"));
  EXPECT_EQ(list.addresses[2], "4.html");
}

TEST(ChapterList, LinkInsideTheFirst87BytesIsNotCollected) {
  // The first link begins at byte 1; the second one after byte 88.
  Text page = link("9.html", gbk("第九章"));
  page.resize(90, ' ');
  page += link("10.html", gbk("第十章"));
  const auto list = parse_chapter_list(page);
  EXPECT_EQ(list.addresses, (std::vector<Text>{"10.html"}));
  EXPECT_EQ(list.titles, (std::vector<Text>{gbk("第十章")}));
}

TEST(ChapterList, LinkStartingJustAfterTheSkippedBytesIsCollected) {
  Text page(87, ' ');
  page += link("5.html", gbk("第五章"));
  const auto list = parse_chapter_list(page);
  EXPECT_EQ(list.addresses, (std::vector<Text>{"5.html"}));
  Text earlier(86, ' ');
  earlier += link("5.html", gbk("第五章"));
  EXPECT_TRUE(parse_chapter_list(earlier).addresses.empty());
}

TEST(ChapterList, MarkersMatchWhateverTheLetterCase) {
  const Text page = page_head() + "<DD><A HREF=\"7.html\" TITLE=\"" + gbk("第七章") + "\">x</a></dd>\r\n";
  const auto list = parse_chapter_list(page);
  EXPECT_EQ(list.addresses, (std::vector<Text>{"7.html"}));
  EXPECT_EQ(list.titles, (std::vector<Text>{gbk("第七章")}));
}

TEST(ChapterList, PageWithoutLinksOrHeadingGivesNothing) {
  const auto empty = parse_chapter_list("");
  EXPECT_TRUE(empty.addresses.empty());
  EXPECT_TRUE(empty.titles.empty());
  EXPECT_EQ(empty.book_title, "");
  const auto no_heading = parse_chapter_list(page_head() + link("1.html", gbk("第一章")));
  EXPECT_EQ(no_heading.book_title, "");
  EXPECT_EQ(no_heading.addresses.size(), 1u);
}

TEST(ChapterList, BookTitleIsTheFirstHeadingUntrimmed) {
  const auto list = parse_chapter_list(page_head() + "<h1> A </h1><h1>B</h1>");
  EXPECT_EQ(list.book_title, " A ");
}

}  // namespace
