// The generated pages, read through the program's own parsers.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <string_view>
#include <vector>

#include "base/code_page.h"
#include "sample_site/book_model.h"
#include "sample_site/sample_site.h"
#include "scrape/book_page.h"
#include "scrape/character_references.h"
#include "scrape/chapter_list.h"
#include "scrape/chapter_text.h"
#include "scrape/extract.h"
#include "scrape/listing_page.h"

namespace {

using lv::base::gbk;
using lv::site::SampleSite;

constexpr std::string_view kHost = "127.0.0.1:8123";

std::string page(const SampleSite& site, const std::string& path, std::string_view host = kHost) {
  const auto r = site.get(path, host);
  EXPECT_TRUE(r.has_value()) << path;
  if (!r) return {};
  EXPECT_EQ(r->status, 200);
  return r->body;
}

// Every byte from 0x80 up starts a GBK pair with a valid trail byte.
bool valid_gbk(std::string_view s) {
  for (std::size_t i = 0; i < s.size(); ++i) {
    const auto c = static_cast<unsigned char>(s[i]);
    if (c < 0x80) continue;
    if (c == 0x80 || c == 0xFF || i + 1 >= s.size()) return false;
    const auto t = static_cast<unsigned char>(s[++i]);
    if (t < 0x40 || t == 0x7F || t == 0xFF) return false;
  }
  return true;
}

// Line ends are CR LF throughout, never a bare LF or CR.
bool crlf_only(std::string_view s) {
  for (std::size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '\n' && (i == 0 || s[i - 1] != '\r')) return false;
    if (s[i] == '\r' && (i + 1 == s.size() || s[i + 1] != '\n')) return false;
  }
  return true;
}

// Every absolute link outside the DOCTYPE and xmlns names `host`.
void expect_links_name(std::string_view body, std::string_view host) {
  std::size_t at = 0;
  int links = 0;
  while ((at = body.find("http://", at)) != std::string_view::npos) {
    at += 7;
    if (body.substr(at, 11) == "www.w3.org/") continue;
    ++links;
    ASSERT_EQ(body.substr(at, host.size() + 1), std::string(host) + "/") << "at byte " << at;
  }
  EXPECT_GT(links, 0);
}

TEST(SampleSiteListing, EveryPageParsesIntoItsBooks) {
  const SampleSite site;
  ASSERT_EQ(site.listing_page_count(), 146);
  int total = 0;
  for (int n = 1; n <= 146; ++n) {
    const std::string body = page(site, "/sort2/" + std::to_string(n) + ".html");
    const int books = site.books_on_listing_page(n);
    EXPECT_GE(books, 20) << n;
    EXPECT_LE(books, 30) << n;
    const auto entries = lv::scrape::parse_listing_page(body, kHost);
    ASSERT_EQ(static_cast<int>(entries.addresses.size()), books) << "page " << n;
    ASSERT_EQ(entries.titles.size(), entries.addresses.size()) << "page " << n;
    ASSERT_EQ(entries.latest.size(), entries.addresses.size()) << "page " << n;
    for (int i = 0; i < books; ++i) {
      const auto b = site.book(n, i);
      const auto k = static_cast<std::size_t>(i);
      EXPECT_EQ(entries.titles[k], gbk("《") + b.title + gbk("》")) << n << "/" << i;
      EXPECT_EQ(entries.addresses[k], "http://" + std::string(kHost) + b.path) << n << "/" << i;
      EXPECT_EQ(entries.latest[k], lv::scrape::decode_character_references(b.latest_title)) << n << "/" << i;
    }
    total += books;
  }
  EXPECT_EQ(total, site.total_books());
  EXPECT_EQ(site.books_on_listing_page(146), site.total_books() - 145 * 30);
  EXPECT_EQ(site.books_on_listing_page(0), 0);
  EXPECT_EQ(site.books_on_listing_page(147), 0);
}

TEST(SampleSiteListing, FirstPageHoldsFeaturedBlockAndTheExtraFirstMatches) {
  const SampleSite site;
  const std::string body = page(site, "/sort2/1.html");
  const std::string host(kHost);
  EXPECT_NE(body.find("<div id=\"hotcontent\">"), std::string::npos);
  EXPECT_EQ(page(site, "/sort2/2.html").find("<div id=\"hotcontent\">"), std::string::npos);
  EXPECT_NE(body.find("<div class=\"r\"><h2>"), std::string::npos);

  // The three cuts as the collection makes them, before it drops their first entries.
  lv::scrape::ExtractOptions o;
  o.start_position = 140;
  o.case_sensitive = true;
  lv::scrape::ResultList titles, addresses, latest;
  lv::scrape::extract_all_between(body, "/\">", "</a></span><span class=\"s3\"><a href=\"http://" + host,
                                  titles, o);
  lv::scrape::extract_all_between(
      body, "<li><span class=\"s1\">" + gbk("[修真小说]") + "</span><span class=\"s2\"><a href=\"", "\">",
      addresses, o);
  lv::scrape::extract_all_between(body, ".html\" target=\"_blank\">", "</a></span><span class=\"s4\">",
                                  latest, o);
  const auto pinned = site.pinned_book();
  const int books = site.books_on_listing_page(1);
  ASSERT_EQ(static_cast<int>(titles.size()), books + 1);
  ASSERT_EQ(static_cast<int>(addresses.size()), books + 1);
  ASSERT_EQ(static_cast<int>(latest.size()), books + 1);
  // The first title runs from the home link over the featured block to the pinned row.
  EXPECT_NE(titles[0].find("hotcontent"), std::string::npos);
  EXPECT_EQ(titles[0].substr(titles[0].size() - pinned.title.size()), pinned.title);
  EXPECT_EQ(addresses[0], "http://" + host + pinned.path);
  EXPECT_EQ(latest[0], pinned.latest_title);
  EXPECT_EQ(body.substr(0, 139).find("/\">"), std::string::npos);
}

TEST(SampleSiteListing, RowsAreShapedExactly) {
  const SampleSite site;
  const std::string body = page(site, "/sort2/9.html");
  const auto b = site.book(9, 4);
  const std::string row = "<li><span class=\"s1\">" + gbk("[修真小说]") + "</span><span class=\"s2\"><a href=\"http://" +
                          std::string(kHost) + b.path + "\">" + b.title +
                          "</a></span><span class=\"s3\"><a href=\"http://" + std::string(kHost) +
                          b.latest_path + "\" target=\"_blank\">" + b.latest_title +
                          "</a></span><span class=\"s4\">" + b.author + "</span><span class=\"s5\">";
  const auto at = body.find(row);
  ASSERT_NE(at, std::string::npos);
  // "yy-mm-dd</span></li>" and CR LF close the row
  EXPECT_EQ(body.substr(at + row.size() + 8, 14), "</span></li>\r\n");
}

TEST(SampleSitePages, AbsoluteLinksNameTheRequestHost) {
  const SampleSite site;
  const int id = site.book(3, 7).book_id;
  const std::string book = SampleSite::book_path(id);
  for (std::string_view host : {std::string_view("127.0.0.1:8123"), std::string_view("books.test")}) {
    SCOPED_TRACE(std::string(host));
    expect_links_name(page(site, "/sort2/1.html", host), host);
    expect_links_name(page(site, "/sort2/77.html", host), host);
    expect_links_name(page(site, book, host), host);
    expect_links_name(page(site, site.chapter_path(id, 2), host), host);
  }
  // A Host header cannot write markup into a page.
  const auto r = site.get("/sort2/1.html", "x\"><script>");
  ASSERT_TRUE(r);
  EXPECT_EQ(r->body.find("<script>"), std::string::npos);
}

TEST(SampleSitePages, SameSeedSameBytesOtherSeedOtherBytes) {
  const SampleSite a, b;
  const SampleSite other(lv::site::SiteOptions{.seed = 7});
  const int id = a.book(5, 3).book_id;
  for (const std::string& path : {std::string("/sort2/1.html"), std::string("/sort2/42.html"),
                                  SampleSite::book_path(id), a.chapter_path(id, 1), a.cover_path(id)}) {
    const auto ra = a.get(path, kHost), rb = b.get(path, kHost);
    ASSERT_TRUE(ra && rb) << path;
    EXPECT_EQ(ra->body, rb->body) << path;
  }
  EXPECT_NE(page(a, "/sort2/42.html"), page(other, "/sort2/42.html"));
}

TEST(SampleSitePages, TextIsGbkWithCrLfAndTheDoctypeFirst) {
  const SampleSite site;
  const int id = site.book(2, 2).book_id;
  for (const std::string& path : {std::string("/sort2/1.html"), std::string("/sort2/146.html"),
                                  SampleSite::book_path(id), site.chapter_path(id, 0), std::string("/")}) {
    const std::string body = page(site, path);
    EXPECT_TRUE(valid_gbk(body)) << path;
    EXPECT_TRUE(crlf_only(body)) << path;
    EXPECT_EQ(body.rfind("<!DOCTYPE html PUBLIC", 0), 0u) << path;
    EXPECT_GE(body.find("\r\n"), 110u) << path;
    EXPECT_LE(body.find("\r\n"), 130u) << path;
    EXPECT_EQ(lv::base::gbk_to_utf8(body).find("\xEF\xBF\xBD"), std::string::npos) << path;
  }
}

TEST(SampleSitePages, UnknownAddressesAreNotFound) {
  const SampleSite site;
  const int id = site.book(1, 1).book_id;
  const std::string shard = std::to_string(id / 1000);
  for (const std::string& path : std::vector<std::string>{"/sort2/0.html", "/sort2/147.html", "/sort2/01.html", "/sort2/1.htm", "/sort1/1.html",
        "/book/" + std::to_string(id / 1000 + 1) + "/" + std::to_string(id) + "/",
        "/book/" + shard + "/" + std::to_string(id) + "/1.html", "/book/0/999/", "/nothing",
        "/files/article/image/" + shard + "/" + std::to_string(id) + "/1s.jpg"}) {
    EXPECT_FALSE(site.get(path, kHost).has_value()) << path;
  }
  EXPECT_TRUE(site.get("/sort2/3.html?x=1", kHost).has_value());
}

TEST(SampleSiteBook, InformationParsesFromTheBookPage) {
  const SampleSite site;
  const int id = site.find_book_with_cover(lv::site::CoverKind::picture);
  ASSERT_NE(id, 0);
  const auto summary = site.book_by_id(id);
  const std::string body = page(site, summary.path);
  const auto info = lv::scrape::parse_book_page(body);
  EXPECT_EQ(info.name, summary.title);
  EXPECT_EQ(info.cover_address, "http://" + std::string(kHost) + site.cover_path(id));
  EXPECT_EQ(info.author, gbk("作者：") + summary.author);
  EXPECT_EQ(info.category, gbk("类别：修真小说"));
  EXPECT_TRUE(info.status == gbk("状态：连载中") || info.status == gbk("状态：已完成")) << info.status;
  const std::string lead = gbk("《") + summary.title + gbk("》内容简介：") + "\r\n";
  EXPECT_EQ(info.intro.rfind(lead, 0), 0u);
  EXPECT_NE(info.intro.find(gbk("还不错的话")), std::string::npos);
  // Each line's break tag is shown as the line break it stands for.
  EXPECT_EQ(info.intro.find("<br"), std::string::npos);
  EXPECT_EQ(info.intro.substr(info.intro.size() - 2), "\r\n");
  EXPECT_NE(body.find("<div id=\"fmimg\"><img alt=\"" + summary.title + "\" src=\"http://"), std::string::npos);
}

TEST(SampleSiteBook, RareCoverAltTextDiffersFromTheName) {
  const SampleSite site;
  int differing = 0;
  for (int id : site.book_ids()) differing += site.cover_alt_differs(id) ? 1 : 0;
  EXPECT_GT(differing, 0);
  EXPECT_LT(differing, site.total_books() / 50);
  const int id = site.find_book_with_differing_alt();
  const auto info = lv::scrape::parse_book_page(page(site, SampleSite::book_path(id)));
  EXPECT_EQ(info.name, site.book_by_id(id).title);
  EXPECT_EQ(info.cover_address, "");
}

// The links of a book as the reader lists them: titles decoded, addresses as written.
std::vector<lv::scrape::ChapterLink> shown_links(const SampleSite& site, int id) {
  std::vector<lv::scrape::ChapterLink> out;
  for (const auto& c : site.chapters(id)) out.push_back({lv::scrape::decode_character_references(c.title), c.address});
  return out;
}

// The chapter list as it was cut before links were taken one by one: the
// address cut ended only at a title beginning with "第", and entries paired by index.
std::vector<lv::scrape::ChapterLink> paired_by_index(const std::string& body) {
  lv::scrape::ExtractOptions options;
  options.start_position = 88;
  lv::scrape::ResultList addresses, titles;
  lv::scrape::extract_all_between(body, "<dd><a href=\"", lv::scrape::old_chapter_address_end(), addresses, options);
  lv::scrape::extract_all_between(body, "html\" title=\"", "\">", titles, options);
  std::vector<lv::scrape::ChapterLink> out;
  for (std::size_t i = 0; i < addresses.size(); ++i) {
    out.push_back({i < titles.size() ? lv::scrape::decode_character_references(titles[i]) : "", addresses[i]});
  }
  return out;
}

TEST(SampleSiteBook, EveryLinkIsAChapterAndNumberedListsAreWhatTheyWere) {
  const SampleSite site;
  int numbered_books = 0, other_books = 0;
  std::vector<int> ids;
  for (int n = 1; n <= 5; ++n) {
    for (int r = 0; r < site.books_on_listing_page(n); ++r) ids.push_back(site.book(n, r).book_id);
  }
  ids.push_back(site.find_long_book(1000));
  for (int id : ids) {
    const std::string body = page(site, SampleSite::book_path(id));
    const auto list = lv::scrape::parse_chapter_list(body);
    EXPECT_EQ(list.book_title, site.book_by_id(id).title);
    ASSERT_EQ(list.chapters, shown_links(site, id)) << id;
    if (site.has_unnumbered_chapters(id)) {
      ++other_books;
    } else {
      ++numbered_books;
      EXPECT_EQ(list.chapters, paired_by_index(body)) << id;
    }
  }
  EXPECT_GT(numbered_books, 50);
  EXPECT_GT(other_books, 20);
}

TEST(SampleSiteBook, IrregularChapterTitlesOccur) {
  const SampleSite site;
  const int id = site.find_book_with_every_unnumbered_kind();
  ASSERT_NE(id, 0);
  EXPECT_TRUE(site.has_prologue(id));
  const auto chapters = site.chapters(id);
  const auto numbered = [](const std::string& title) { return title.rfind(gbk("第"), 0) == 0; };
  EXPECT_FALSE(numbered(chapters.front().title));
  EXPECT_TRUE(chapters[1].title.rfind(gbk("第一章 "), 0) == 0 || chapters[1].title.rfind(gbk("第1章 "), 0) == 0);
  EXPECT_FALSE(numbered(chapters.back().title));
  EXPECT_GT(std::count_if(chapters.begin() + 1, chapters.end() - 1, [&](const auto& c) { return !numbered(c.title); }), 0);

  // Titles with references, by name and by number.
  bool named = false, numeric = false, note = false;
  for (int n = 1; n <= 20 && !(named && numeric && note); ++n) {
    for (int r = 0; r < site.books_on_listing_page(n); ++r) {
      for (const auto& c : site.chapters(site.book(n, r).book_id)) {
        named = named || c.title.find("&amp;") != std::string::npos || c.title.find("&quot;") != std::string::npos;
        numeric = numeric || c.title.find("&#") != std::string::npos;
        note = note || c.title == gbk("上架感言") || c.title == gbk("作者的话");
      }
    }
  }
  EXPECT_TRUE(named);
  EXPECT_TRUE(numeric);
  EXPECT_TRUE(note);
}

TEST(SampleSiteChapter, TextParsesAndHasRealisticSize) {
  const SampleSite site;
  const int id = site.book(4, 5).book_id;
  for (int i : {0, 1, site.chapter_count(id) - 1}) {
    const std::string body = page(site, site.chapter_path(id, i));
    const std::string start = "</tr></table>\r\n<div id=\"BookText\">\r";
    const std::string raw = lv::scrape::extract_between(body, start, "</div>\r\n<div class=\"sha");
    EXPECT_GE(raw.size(), 5000u);
    EXPECT_LE(raw.size(), 12000u);
    EXPECT_EQ(raw.substr(0, 1), "\n");
    const auto text = lv::scrape::parse_chapter_text(body);
    EXPECT_FALSE(text.empty());
    EXPECT_EQ(text.find("&nbsp;"), std::string::npos);
    EXPECT_NE(body.find("<h1>" + site.chapters(id)[static_cast<std::size_t>(i)].title + "</h1>"),
              std::string::npos);
  }
}

TEST(SampleSiteChapter, StylesVaryBetweenBooks) {
  const SampleSite site;
  bool ideographic = false, line_breaks = false, title_line = false, plain = false;
  const std::string start = "<div id=\"BookText\">\r\n";
  for (int r = 0; r < site.books_on_listing_page(2); ++r) {
    const int id = site.book(2, r).book_id;
    const auto first = site.chapters(id).front();
    const std::string body = page(site, site.chapter_path(id, 0));
    const auto at = body.find(start);
    ASSERT_NE(at, std::string::npos);
    const std::string text = body.substr(at + start.size(), 4000);
    const bool fw = text.rfind(gbk("　　"), 0) == 0;
    const bool br = text.find("<br />\r\n<br />\r\n") != std::string::npos;
    const bool tl = text.find(first.title) != std::string::npos && text.find(first.title) < 40;
    ideographic |= fw;
    line_breaks |= br;
    title_line |= tl;
    plain |= !fw && !br && !tl && text.rfind("&nbsp;&nbsp;&nbsp;&nbsp;", 0) == 0;
  }
  EXPECT_TRUE(ideographic);
  EXPECT_TRUE(line_breaks);
  EXPECT_TRUE(title_line);
  EXPECT_TRUE(plain);
}

TEST(SampleSiteNames, ChineseNumbers) {
  EXPECT_EQ(lv::site::chinese_number(1), gbk("一"));
  EXPECT_EQ(lv::site::chinese_number(10), gbk("十"));
  EXPECT_EQ(lv::site::chinese_number(11), gbk("十一"));
  EXPECT_EQ(lv::site::chinese_number(20), gbk("二十"));
  EXPECT_EQ(lv::site::chinese_number(105), gbk("一百零五"));
  EXPECT_EQ(lv::site::chinese_number(110), gbk("一百一十"));
  EXPECT_EQ(lv::site::chinese_number(1005), gbk("一千零五"));
  EXPECT_EQ(lv::site::chinese_number(1234), gbk("一千二百三十四"));
  EXPECT_EQ(lv::site::chinese_number(1800), gbk("一千八百"));
}

}  // namespace
