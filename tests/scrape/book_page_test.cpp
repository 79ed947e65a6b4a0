// The book information page: each value cut on its own, on pages shaped like
// the site's.
#include <gtest/gtest.h>

#include <string>

#include "base/code_page.h"
#include "scrape/book_page.h"

namespace {

using lv::base::gbk;
using lv::scrape::parse_book_page;

struct PageParts {
  std::string name = gbk("青云剑录");
  std::string alt = gbk("青云剑录");
  std::string cover = "http://site.test/files/article/image/12/12345/12345s.jpg";
  std::string author_field = gbk("<i>作者：白石</i>");
  std::string category_field = gbk("<i>类别：修真小说</i>");
  std::string status_field = gbk("<i>状态：连载中</i>");
  std::string intro = gbk("<b>内容简介：</b><br />第一行<br />\r\n第二行<br />\r\n");
  bool with_intro_block = true;
};

// A book page laid out as the site lays it out: CR LF line ends, the DOCTYPE
// line, the head and navigation, then the info block.
std::string book_page(const PageParts& p) {
  std::string s;
  s += "<!DOCTYPE html PUBLIC \"-//W3C//DTD XHTML 1.0 Transitional//EN\" "
       "\"http://www.w3.org/TR/xhtml1/DTD/xhtml1-transitional.dtd\">\r\n";
  s += "<html xmlns=\"http://www.w3.org/1999/xhtml\">\r\n<head>\r\n";
  s += "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=gbk\" />\r\n";
  s += "<title>" + p.name + "</title>\r\n</head>\r\n";
  s += "<body><div id=\"wrapper\">\r\n<div class=\"header\">LOGO</div>\r\n";
  s += "<div class=\"nav\"><ul>\r\n<li><a href=\"http://site.test/\">HOME</a></li>\r\n</ul></div>\r\n";
  s += "<div class=\"box_con\"><div class=\"con_top\">SITE &gt; " + p.name + "</div>\r\n";
  s += "<div id=\"maininfo\">\r\n";
  s += "<div id=\"fmimg\"><img alt=\"" + p.alt + "\" src=\"" + p.cover +
       "\" onerror=\"this.src='/modules/article/images/nocover.jpg'\" width=\"120\" "
       "height=\"150\" /></div>\r\n";
  s += "<div id=\"info\">\r\n<div class=\"infotitle\">\r\n";
  s += "<h1>" + p.name + "</h1>\r\n";
  s += p.author_field + p.category_field + p.status_field + "\r\n";
  if (p.with_intro_block) {
    s += "</div>\r\n<div class=\"intro\">\r\n<b>" + p.intro.substr(3);
    s += "</div>\r\n<div class=\"bookurl\">\r\n";
  } else {
    s += "</div>\r\n";
  }
  s += "<p>LATEST: <a href=\"6789012.html\">LATEST</a></p>\r\n</div>\r\n</div></div></div>\r\n";
  s += "<div class=\"box_con\"><div id=\"list\"><dl>\r\n<dt>HEADING</dt>\r\n";
  s += "<dd><a href=\"1000001.html\" title=\"T1\">T1</a></dd>\r\n</dl></div></div>\r\n";
  return s;
}

TEST(BookPage, CutsEveryValueFromARealShapedPage) {
  const auto info = parse_book_page(book_page({}));
  EXPECT_EQ(info.name, gbk("青云剑录"));
  EXPECT_EQ(info.cover_address, "http://site.test/files/article/image/12/12345/12345s.jpg");
  EXPECT_EQ(info.author, gbk("作者：白石"));
  EXPECT_EQ(info.category, gbk("类别：修真小说"));
  EXPECT_EQ(info.status, gbk("状态：连载中"));
  // The label's closing tag and break become CR LF, and so does each break
  // with the line end after it.
  EXPECT_EQ(info.intro, gbk("内容简介：\r\n第一行\r\n第二行\r\n"));
}

TEST(BookPage, ShownValuesDecodeTheirReferencesAfterTheCleaning) {
  PageParts p;
  p.name = gbk("刀&amp;剑");
  p.alt = p.name;  // the cover's marker holds the name as the page writes it
  p.cover = "http://site.test/c.jpg?a=1&amp;b=2";
  p.author_field = gbk("<i>作者：&quot;白石&quot;</i>");
  p.category_field = gbk("<i>类别：修真&middot;仙侠</i>");
  p.status_field = gbk("<i>状态：&#36830;载</i>");
  p.intro = gbk("<b>简介&amp;lt;</b><br />一&lt;br /&gt;二<br />\r\n");
  const auto info = parse_book_page(book_page(p));
  EXPECT_EQ(info.name, gbk("刀&剑"));
  EXPECT_EQ(info.cover_address, "http://site.test/c.jpg?a=1&amp;b=2");
  EXPECT_EQ(info.author, gbk("作者：\"白石\""));
  EXPECT_EQ(info.category, gbk("类别：修真·仙侠"));
  EXPECT_EQ(info.status, gbk("状态：连载"));
  // A break written as a reference is text, not a break.
  EXPECT_EQ(info.intro, gbk("简介&lt;\r\n一<br />二\r\n"));
}

TEST(BookPage, AuthorKeepsItsPrefixWithOrWithoutAValue) {
  PageParts p;
  p.author_field = gbk("<i>作者：X</i>");
  EXPECT_EQ(parse_book_page(book_page(p)).author, gbk("作者：X"));
  p.author_field = gbk("<i>作者：</i>");
  EXPECT_EQ(parse_book_page(book_page(p)).author, gbk("作者："));
}

TEST(BookPage, EachMissingFieldIsEmptyOnItsOwn) {
  const auto full = parse_book_page(book_page({}));
  {
    PageParts p;
    p.author_field.clear();
    const auto info = parse_book_page(book_page(p));
    EXPECT_EQ(info.author, gbk("作者："));
    EXPECT_EQ(info.category, full.category);
    EXPECT_EQ(info.status, full.status);
    EXPECT_EQ(info.intro, full.intro);
  }
  {
    PageParts p;
    p.category_field.clear();
    const auto info = parse_book_page(book_page(p));
    EXPECT_EQ(info.category, gbk("类别："));
    EXPECT_EQ(info.author, full.author);
    EXPECT_EQ(info.status, full.status);
  }
  {
    PageParts p;
    p.status_field = gbk("<b>状态：完结</b>");  // not in an <i>: not the field
    const auto info = parse_book_page(book_page(p));
    EXPECT_EQ(info.status, gbk("状态："));
    EXPECT_EQ(info.category, full.category);
  }
  {
    PageParts p;
    p.with_intro_block = false;
    const auto info = parse_book_page(book_page(p));
    EXPECT_EQ(info.intro, "");
    EXPECT_EQ(info.name, full.name);
    EXPECT_EQ(info.status, full.status);
  }
}

TEST(BookPage, WithoutANameTheCoverIsStillLookedForUnderAnEmptyAlt) {
  PageParts p;
  p.name.clear();
  p.alt.clear();
  const auto info = parse_book_page(book_page(p));
  EXPECT_EQ(info.name, "");
  EXPECT_EQ(info.cover_address, "http://site.test/files/article/image/12/12345/12345s.jpg");
  EXPECT_EQ(info.author, gbk("作者：白石"));
}

TEST(BookPage, CoverNeedsTheAltTextToBeTheNameExactly) {
  PageParts p;
  p.alt = gbk("青云剑录(精校)");
  auto info = parse_book_page(book_page(p));
  EXPECT_EQ(info.cover_address, "");
  EXPECT_EQ(info.name, gbk("青云剑录"));
  p.alt = "A";
  p.name = "a";  // the cut is case-sensitive
  info = parse_book_page(book_page(p));
  EXPECT_EQ(info.cover_address, "");
}

TEST(BookPage, OnlyTheFirstNineLabelBreaksTurnIntoLineBreaks) {
  PageParts p;
  p.intro = "<b>";
  for (int i = 1; i <= 11; ++i) p.intro += "L" + std::to_string(i) + "</b><br />";
  const auto info = parse_book_page(book_page(p));
  std::string expected;
  for (int i = 1; i <= 9; ++i) expected += "L" + std::to_string(i) + "\r\n";
  expected += "L10</b>\r\nL11</b>\r\n";  // the later breaks are still line breaks
  EXPECT_EQ(info.intro, expected);
}

TEST(BookPage, LabelBreaksAreFoundInAnyLetterCase) {
  PageParts p;
  p.intro = "<b>A</B><BR />B</b><Br />C";
  EXPECT_EQ(parse_book_page(book_page(p)).intro, "A\r\nB\r\nC");
}

TEST(BookPage, IntroductionIsNotTrimmed) {
  PageParts p;
  p.intro = "<b>\r\n  " + gbk("简介") + "  \r\n";
  EXPECT_EQ(parse_book_page(book_page(p)).intro, "\r\n  " + gbk("简介") + "  \r\n");
}

TEST(BookPage, MarkersAreMatchedCaseSensitively) {
  std::string page = book_page({});
  page.replace(page.find("<h1>"), 4, "<H1>");
  const auto info = parse_book_page(page);
  EXPECT_EQ(info.name, "");
  EXPECT_EQ(info.cover_address, "");  // no name, so alt="" is looked for
  EXPECT_EQ(info.author, gbk("作者：白石"));
}

TEST(BookPage, EmptyOrForeignBodyGivesOnlyThePrefixes) {
  for (const std::string& body : {std::string(), std::string("<html>404 Not Found</html>")}) {
    const auto info = parse_book_page(body);
    EXPECT_EQ(info.name, "");
    EXPECT_EQ(info.cover_address, "");
    EXPECT_EQ(info.author, gbk("作者："));
    EXPECT_EQ(info.category, gbk("类别："));
    EXPECT_EQ(info.status, gbk("状态："));
    EXPECT_EQ(info.intro, "");
  }
}

TEST(BookPage, IntroEndNeedsTheBookUrlBlockRightAfter) {
  // An intro block not followed by the book address block gives no intro.
  std::string page = book_page({});
  page.replace(page.find("<div class=\"bookurl\">"), 21, "<div class=\"other\">");
  EXPECT_EQ(parse_book_page(page).intro, "");
}

}  // namespace
