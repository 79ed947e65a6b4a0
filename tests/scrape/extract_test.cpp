#include "scrape/extract.h"

#include <gtest/gtest.h>

#include "base/code_page.h"
#include "support/test_support.h"

namespace lv::scrape {
namespace {

using lv::base::gbk;
using lv::test::bytes;

ResultList all(std::string_view text, std::string_view start, std::string_view end,
               const ExtractOptions& options = {}) {
  ResultList results;
  const int count = extract_all_between(text, start, end, results, options);
  EXPECT_EQ(count, static_cast<int>(results.size()));
  return results;
}

TEST(ExtractAllBetween, EndMarkerIsFoundAgainAsTheNextStartMarker) {
  EXPECT_EQ(all("a|b|c|", "|", "|"), (ResultList{"b", "c"}));
}

TEST(ExtractAllBetween, AnEmptyTrimmedItemEndsTheExtraction) {
  EXPECT_EQ(all("[x][  ][y]", "[", "]"), (ResultList{"x"}));
  // full-width spaces trim away as well
  EXPECT_EQ(all(bytes({'[', 'x', ']', '[', 0xA1, 0xA1, ']', '[', 'y', ']'}), "[", "]"),
            (ResultList{"x"}));
  // an item is trimmed of blanks only, so tabs and line ends stay in it
  EXPECT_EQ(all("[ \tx\r\n ]", "[", "]"), (ResultList{"\tx\r\n"}));
}

TEST(ExtractAllBetween, ALongItemEndsTheExtraction) {
  ExtractOptions options;
  options.max_length = 3;
  EXPECT_EQ(all("<ab><abcd><ef>", "<", ">", options), (ResultList{"ab"}));
  options.max_length = 4;
  EXPECT_EQ(all("<ab><abcd><ef>", "<", ">", options), (ResultList{"ab", "abcd", "ef"}));
}

TEST(ExtractAllBetween, PrefixSuffixAndKeptMarkersWrapEachItem) {
  ExtractOptions options;
  options.prefix = gbk("《");
  options.suffix = gbk("》");
  options.keep_start = true;
  options.keep_end = true;
  EXPECT_EQ(all("x<b> t </b>y", "<b>", "</b>", options), (ResultList{"<b>" + gbk("《t》") + "</b>"}));
}

TEST(ExtractAllBetween, CaseIsIgnoredUnlessAsked) {
  EXPECT_EQ(all("<DD><A HREF=\"1.html\" title", "<dd><a href=\"", "\" TITLE"), (ResultList{"1.html"}));
  ExtractOptions exact;
  exact.case_sensitive = true;
  EXPECT_TRUE(all("<DD><A HREF=\"1.html\" title", "<dd><a href=\"", "\" title", exact).empty());
}

TEST(ExtractAllBetween, StartPositionSkipsTheHead) {
  ExtractOptions options;
  options.start_position = 4;
  EXPECT_EQ(all("<a><b><c>", "<", ">", options), (ResultList{"b", "c"}));
  options.start_position = 100;
  EXPECT_TRUE(all("<a><b><c>", "<", ">", options).empty());
  options.start_position = -5;
  EXPECT_EQ(all("<a><b>", "<", ">", options), (ResultList{"a", "b"}));
}

TEST(ExtractAllBetween, ASecondCallReplacesTheList) {
  ResultList results{"old 1", "old 2", "old 3"};
  EXPECT_EQ(extract_all_between("<a><b>", "<", ">", results), 2);
  EXPECT_EQ(results, (ResultList{"a", "b"}));
  EXPECT_EQ(extract_all_between("nothing here", "<", ">", results), 0);
  EXPECT_TRUE(results.empty());
}

TEST(ExtractAllBetween, MissingEndMarkerKeepsEarlierItems) {
  EXPECT_EQ(all("<a><b><c", "<", ">"), (ResultList{"a", "b"}));
  EXPECT_TRUE(all("", "<", ">").empty());
}

TEST(ExtractAllBetween, MarkersMatchOnlyOnCharacterBoundaries) {
  // 0xB0 0x3C is one character whose trail byte is '<'
  EXPECT_EQ(all(bytes({0xB0, 0x3C, 'x', '>', '<', 'y', '>'}), "<", ">"), (ResultList{"y"}));
}

TEST(ExtractAllBetween, EmptyStartMarkerDoesNotRepeatForever) {
  // An empty start marker matches at position 1 from wherever the search
  // resumes, so the same item would come back without end.
  EXPECT_EQ(all("ab|cd|", "", "|"), (ResultList{"ab"}));
  EXPECT_TRUE(all("ab|cd|", "|", "").empty());
}

TEST(ExtractAllBetween, ListingRowsStayAligned) {
  const std::string host = "books.example";
  const std::string row =
      "<li><span class=\"s1\">" + gbk("[修真小说]") + "</span><span class=\"s2\"><a href=\"http://" +
      host + "/book/1/1/\">" + gbk("书名") + "</a></span><span class=\"s3\"><a href=\"http://" + host +
      "/book/1/1/9.html\" target=\"_blank\">" + gbk("第九章") + "</a></span><span class=\"s4\">A</span></li>\r\n";
  const std::string page = std::string(140, ' ') + row + row;
  ExtractOptions options;
  options.case_sensitive = true;
  options.start_position = 140;
  EXPECT_EQ(all(page, "<li><span class=\"s1\">" + gbk("[修真小说]") + "</span><span class=\"s2\"><a href=\"",
                "\">", options),
            (ResultList{"http://" + host + "/book/1/1/", "http://" + host + "/book/1/1/"}));
  EXPECT_EQ(all(page, ".html\" target=\"_blank\">", "</a></span><span class=\"s4\">", options),
            (ResultList{gbk("第九章"), gbk("第九章")}));
  options.prefix = gbk("《");
  options.suffix = gbk("》");
  EXPECT_EQ(all(page, "/\">", "</a></span><span class=\"s3\"><a href=\"http://" + host, options),
            (ResultList{gbk("《书名》"), gbk("《书名》")}));
}

TEST(ExtractBetween, FirstItemUntrimmed) {
  EXPECT_EQ(extract_between("<h1> T </h1>", "<h1>", "</h1>"), " T ");
  EXPECT_EQ(extract_between("<h1> T ", "<h1>", "</h1>"), "");
  EXPECT_EQ(extract_between("<h1></h1>", "<h1>", "</h1>"), "");
  EXPECT_EQ(extract_between("x", "<h1>", "</h1>"), "");
  EXPECT_EQ(extract_between("<h1>a</h1><h1>b</h1>", "<h1>", "</h1>", 2), "b");
}

TEST(ExtractBetween, CaseSensitiveByDefault) {
  EXPECT_EQ(extract_between("<H1>a</H1>", "<h1>", "</h1>"), "");
  EXPECT_EQ(extract_between("<H1>a</H1>", "<h1>", "</h1>", 1, true), "a");
}

TEST(ExtractBetween, QuoteWordStandsForADoubleQuote) {
  const std::string quote_word = gbk("#引号");
  EXPECT_EQ(extract_between("<a href=\"x.html\">", "href=" + quote_word, quote_word), "x.html");
  EXPECT_EQ(extract_between("<a href=" + quote_word + "x>", "href=" + quote_word, ">"), "");
  EXPECT_EQ(extract_between("<a href=#y>", "href=#", ">"), "y");  // searched unchanged
}

TEST(ExtractBetween, ChapterTextBeginsWithTheLineFeed) {
  const std::string page =
      "<table><tr><td>x</td></tr></table>\r\n<div id=\"BookText\">\r\n&nbsp;a<br /><br />b\r\n</div>\r\n<div class=\"share\">";
  EXPECT_EQ(extract_between(page, "</tr></table>\r\n<div id=\"BookText\">\r", "</div>\r\n<div class=\"sha"),
            "\n&nbsp;a<br /><br />b\r\n");
}

TEST(ReplacePairs, AppliesEachPairToThePreviousOutput) {
  EXPECT_EQ(replace_pairs("a&nbsp;&nbsp;b<br /><br />c<br />d", 99999999, 1, false,
                          {{"&nbsp;", " "}, {"<br /><br />", "\r\n\r\n"}}),
            "a  b\r\n\r\nc<br />d");
  EXPECT_EQ(replace_pairs("&NBSP;", 99999999, 1, false, {{"&nbsp;", " "}}), " ");
  EXPECT_EQ(replace_pairs("ab", std::nullopt, 0, true, {{"a", "b"}, {"b", "c"}}), "cc");
}

TEST(ReplacePairs, CountLimitsEachPairSeparately) {
  EXPECT_EQ(replace_pairs(std::string(12, 'x'), 9, 1, true, {{"x", "y"}}),
            std::string(9, 'y') + "xxx");
  EXPECT_EQ(replace_pairs("xxyy", 1, 1, true, {{"x", "a"}, {"y", "b"}}), "axby");
  EXPECT_EQ(replace_pairs("xXx", std::nullopt, 0, false, {{"x", "-"}}), "---");
  EXPECT_EQ(replace_pairs("xx", 0, 1, true, {{"x", "-"}}), "xx");
}

TEST(ReplacePairs, EmptyFindChangesNothingAndStartCounts) {
  EXPECT_EQ(replace_pairs("abc", std::nullopt, 1, true, {{"", "z"}, {"b", "B"}}), "aBc");
  EXPECT_EQ(replace_pairs("aaa", std::nullopt, 2, true, {{"a", "b"}}), "abb");
  EXPECT_EQ(replace_pairs("", std::nullopt, 1, true, {{"a", "b"}}), "");
}

}  // namespace
}  // namespace lv::scrape
