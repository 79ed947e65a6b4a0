#include "scrape/chapter_list.h"

#include <gtest/gtest.h>

#include "base/code_page.h"

namespace {

using lv::base::gbk;
using lv::base::Text;
using lv::scrape::ChapterLink;
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

std::vector<ChapterLink> chapters(const std::vector<std::pair<Text, Text>>& links) {
  std::vector<ChapterLink> out;
  for (const auto& [address, title] : links) out.push_back({title, address});
  return out;
}

TEST(ChapterList, PairsAddressesAndTitlesInPageOrder) {
  const std::vector<std::pair<Text, Text>> links = {
      {"1001.html", gbk("第一章 起")}, {"1002.html", gbk("第二章 承")}, {"1003.html", gbk("第三章 转")}};
  const auto list = parse_chapter_list(book_page(gbk("仙路"), links));
  EXPECT_EQ(list.book_title, gbk("仙路"));
  // The title cut starts behind the quote, so each title keeps its leading character.
  EXPECT_EQ(list.chapters, chapters(links));
}

TEST(ChapterList, AddressEndsAtTheTitleAttribute) {
  // Bytes: the address start marker, 123.html, the end marker, then
  // "第一章 X" (B5 DA, D2 BB, D5 C2) and the title end marker.
  const Text page = page_head() + "<dd><a href=\"123.html\" title=\"\xB5\xDA"
                    "\xD2\xBB\xD5\xC2 X\">";
  EXPECT_EQ(parse_chapter_list(page).chapters, chapters({{"123.html", gbk("第一章 X")}}));
}

TEST(ChapterList, EveryLinkIsAChapterUnderItsOwnTitle) {
  const std::vector<std::pair<Text, Text>> cases[] = {
      {{"1.html", gbk("楔子")}, {"2.html", gbk("第一章 起")}, {"3.html", gbk("第二章 承")}},
      {{"1.html", gbk("第1章")}, {"2.html", gbk("上架感言")}, {"3.html", gbk("第2章")}, {"4.html", gbk("第3章")}},
      {{"1.html", gbk("序章 风起")}, {"2.html", gbk("第1章")}, {"3.html", gbk("请假一天")},
       {"4.html", gbk("第2章")}, {"5.html", gbk("完本感言")}},
      {{"1.html", gbk("后记")}},
  };
  for (const auto& links : cases) {
    EXPECT_EQ(parse_chapter_list(book_page(gbk("书"), links)).chapters, chapters(links)) << links.size();
  }
}

TEST(ChapterList, TitlesShowTheirCharacterReferencesAddressesKeepThem) {
  const auto list = parse_chapter_list(book_page(
      gbk("刀&amp;剑"), {{"a&amp;b.html", gbk("第1章 &quot;问&quot;&hellip;")}, {"2.html", gbk("第2章 &#x6211;&#25105;")}}));
  EXPECT_EQ(list.book_title, gbk("刀&剑"));
  EXPECT_EQ(list.chapters, chapters({{"a&amp;b.html", gbk("第1章 \"问\"…")}, {"2.html", gbk("第2章 我我")}}));
}

TEST(ChapterList, ALinkWithoutTitleMarkersGetsAnEmptyTitleNotTheNextOne) {
  const Text page = page_head() + "<dd><a href=\"1.html\" title=\"x</a></dd>\r\n" + link("2.html", gbk("第二章"));
  EXPECT_EQ(parse_chapter_list(page).chapters, chapters({{"1.html", ""}, {"2.html", gbk("第二章")}}));
}

TEST(ChapterList, LinkInsideTheFirst87BytesIsNotCollected) {
  // The first link begins at byte 1; the second one after byte 88.
  Text page = link("9.html", gbk("第九章"));
  page.resize(90, ' ');
  page += link("10.html", gbk("第十章"));
  EXPECT_EQ(parse_chapter_list(page).chapters, chapters({{"10.html", gbk("第十章")}}));
}

TEST(ChapterList, LinkStartingJustAfterTheSkippedBytesIsCollected) {
  Text page(87, ' ');
  page += link("5.html", gbk("第五章"));
  EXPECT_EQ(parse_chapter_list(page).chapters, chapters({{"5.html", gbk("第五章")}}));
  Text earlier(86, ' ');
  earlier += link("5.html", gbk("第五章"));
  EXPECT_TRUE(parse_chapter_list(earlier).chapters.empty());
}

TEST(ChapterList, MarkersMatchWhateverTheLetterCase) {
  const Text page = page_head() + "<DD><A HREF=\"7.html\" TITLE=\"" + gbk("第七章") + "\">x</a></dd>\r\n";
  EXPECT_EQ(parse_chapter_list(page).chapters, chapters({{"7.html", gbk("第七章")}}));
}

TEST(ChapterList, PageWithoutLinksOrHeadingGivesNothing) {
  const auto empty = parse_chapter_list("");
  EXPECT_TRUE(empty.chapters.empty());
  EXPECT_EQ(empty.book_title, "");
  const auto no_heading = parse_chapter_list(page_head() + link("1.html", gbk("第一章")));
  EXPECT_EQ(no_heading.book_title, "");
  EXPECT_EQ(no_heading.chapters.size(), 1u);
}

TEST(ChapterList, BookTitleIsTheFirstHeadingUntrimmed) {
  const auto list = parse_chapter_list(page_head() + "<h1> A </h1><h1>B</h1>");
  EXPECT_EQ(list.book_title, " A ");
}

}  // namespace
