#include "scrape/chapter_text.h"

#include <gtest/gtest.h>

#include "base/code_page.h"
#include "scrape/line_breaks.h"

namespace {

using lv::base::gbk;
using lv::base::Text;
using lv::scrape::parse_chapter_text;

Text chapter_page(const Text& inner) {
  return "<div class=\"bookname\"><h1>" + gbk("第一章") + "</h1></div>\r\n"
         "<table width=\"100%\"><tr><td>x</td></tr></table>\r\n<div id=\"BookText\">\r\n" +
         inner + "</div>\r\n<div class=\"share\">s</div>\r\n";
}

TEST(ChapterText, TextStartsWithTheLineFeedAfterTheMarker) {
  EXPECT_EQ(parse_chapter_text(chapter_page("abc\r\n")), "\nabc\r\n");
}

TEST(ChapterText, SpacesFirstThenParagraphBreaks) {
  EXPECT_EQ(parse_chapter_text(chapter_page("a&nbsp;&nbsp;b<br /><br />c<br />d")),
            "\na  b\r\n\r\nc\r\nd");
}

TEST(ChapterText, EntitiesAndBreaksMatchInAnyCase) {
  EXPECT_EQ(parse_chapter_text(chapter_page("&NBSP;x&Nbsp;<BR /><bR /><br />")),
            "\n x \r\n\r\n\r\n");
}

TEST(ChapterText, ReferencesAreDecodedOnceAfterTheCleaning) {
  EXPECT_EQ(parse_chapter_text(chapter_page("&amp;nbsp;&amp;lt;br /&gt;&lt;br&gt;&hellip;")),
            "\n&nbsp;&lt;br /><br>" + gbk("…"));
}

TEST(ChapterText, SpaceBetweenTwoBreaksDoesNotJoinThem) {
  // Each break is a line of its own; other markup stays.
  EXPECT_EQ(parse_chapter_text(chapter_page("p<br />&nbsp;<br />q<p>r</p>")), "\np\r\n \r\nq<p>r</p>");
}

TEST(MarkupBreaks, EachSpellingWithTheLineEndAfterItBecomesOneLineBreak) {
  const std::pair<std::string, std::string> cases[] = {
      {"c<br />d", "c\r\nd"},
      {"x<br />\r\n<br />\r\ny", "x\r\n\r\ny"},
      {"a<BR>b<br/>\nc<Br />\r\n", "a\r\nb\r\nc\r\n"},
      {"<br  />, <br>\r\r, <b>, <brx>, <br", "<br  />, \r\n\r\r, <b>, <brx>, <br"},
      // A break right after a double-byte character is still a break.
      {gbk("第<br>章"), gbk("第\r\n章")},
      {"", ""},
  };
  for (const auto& [in, out] : cases) EXPECT_EQ(lv::scrape::markup_breaks_to_lines(in), out) << in;
}

TEST(ChapterText, ChineseTextPassesUnchanged) {
  const Text inner = "&nbsp;&nbsp;" + gbk("他说：“走。”") + "<br /><br />" + gbk("完");
  EXPECT_EQ(parse_chapter_text(chapter_page(inner)),
            "\n  " + gbk("他说：“走。”") + "\r\n\r\n" + gbk("完"));
}

TEST(ChapterText, MissingMarkerGivesEmptyText) {
  EXPECT_EQ(parse_chapter_text(""), "");
  Text no_end = chapter_page("abc");
  no_end.erase(no_end.find("</div>\r\n<div class=\"sha"));
  EXPECT_EQ(parse_chapter_text(no_end), "");
  // The start marker ends on a CR: a page with LF line ends has no chapter text.
  EXPECT_EQ(parse_chapter_text("</tr></table>\n<div id=\"BookText\">\nabc</div>\r\n<div class=\"share\">"), "");
}

TEST(ChapterText, StartMarkerIsCaseSensitive) {
  EXPECT_EQ(parse_chapter_text("</TR></TABLE>\r\n<div id=\"BookText\">\r\nabc</div>\r\n<div class=\"sha"), "");
}

TEST(ChapterText, TextIsNotTrimmed) {
  EXPECT_EQ(parse_chapter_text(chapter_page("  x  ")), "\n  x  ");
}

}  // namespace
