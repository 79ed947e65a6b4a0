#include "sample_site/pages.h"

#include <algorithm>
#include <cstdio>

#include "base/code_page.h"
#include "sample_site/prose.h"
#include "sample_site/site_random.h"
#include "sample_site/word_tables.h"

namespace lv::site {
namespace {

using lv::base::gbk;

// The DOCTYPE line is 121 bytes; with the <html> line after it the first
// 139 bytes hold no link, which the listing and chapter-list cuts rely on.
constexpr std::string_view kDoctype =
    "<!DOCTYPE html PUBLIC \"-//W3C//DTD XHTML 1.0 Transitional//EN\" "
    "\"http://www.w3.org/TR/xhtml1/DTD/xhtml1-transitional.dtd\">\r\n"
    "<html xmlns=\"http://www.w3.org/1999/xhtml\">\r\n";

void append_head(std::string& out, std::string_view host, const std::string& title) {
  const auto& w = word_tables();
  static const std::string kSearch = gbk("搜 索");
  out += kDoctype;
  out += "<head>\r\n<meta http-equiv=\"Content-Type\" content=\"text/html; charset=gbk\" />\r\n<title>";
  out += title;
  out += "</title>\r\n<link rel=\"stylesheet\" type=\"text/css\" href=\"/css/style.css\" />\r\n</head>\r\n";
  out += "<body><div id=\"wrapper\">\r\n<div class=\"header\"><div class=\"logo\">";
  out += w.site_name;
  out += "</div><div class=\"search\"><form action=\"/modules/article/search.php\" method=\"post\">"
         "<input name=\"searchkey\" type=\"text\" class=\"text\" /><input type=\"submit\" class=\"btn\" value=\"";
  out += kSearch;
  out += "\" /></form></div></div>\r\n<div class=\"nav\"><ul>\r\n<li><a href=\"http://";
  out += host;
  out += "/\">";
  out += w.home;
  out += "</a></li>\r\n<li><a href=\"/sort1/1.html\">";
  out += w.other_category;
  out += "</a></li><li><a href=\"/sort2/1.html\">";
  out += w.category;
  out += "</a></li>\r\n<li><a href=\"/quanben/\">";
  out += w.finished;
  out += "</a></li>\r\n</ul></div>\r\n";
}

void append_footer(std::string& out) {
  static const std::string kNotice = gbk("本站内容均由程序生成，仅供演示。");
  out += "<div class=\"footer\"><p>";
  out += kNotice;
  out += "</p></div>\r\n</div></body></html>\r\n";
}

std::string book_url(std::string_view host, int book_id) {
  std::string out = "http://";
  out += host;
  out += book_path_of(book_id);
  return out;
}

std::string cover_url(std::string_view host, const BookModel& b) {
  std::string out = "http://";
  out += host;
  out += b.cover == CoverKind::placeholder ? std::string(SampleSite::kPlaceholderCoverPath)
                                           : cover_file_path(b.id);
  return out;
}

// Days since 1970-01-01 to a civil date (proleptic Gregorian).
void civil_from_days(long z, int& y, int& m, int& d) {
  z += 719468;
  const long era = (z >= 0 ? z : z - 146096) / 146097;
  const long doe = z - era * 146097;
  const long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const long doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const long mp = (5 * doy + 2) / 153;
  d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  y = static_cast<int>(yoe + era * 400 + (m <= 2 ? 1 : 0));
}

void append_listing_row(std::string& out, const SiteOptions& o, int index, std::string_view host) {
  const auto& w = word_tables();
  const BookModel b = make_book(o, index);
  const std::string url = book_url(host, b.id);
  out += "<li><span class=\"s1\">";
  out += w.category_tag;
  out += "</span><span class=\"s2\"><a href=\"";
  out += url;
  out += "\">";
  out += b.name;
  out += "</a></span><span class=\"s3\"><a href=\"";
  out += url;
  out += std::to_string(chapter_id(b, b.chapter_count - 1));
  out += ".html\" target=\"_blank\">";
  out += chapter_title(b, b.chapter_count - 1);
  out += "</a></span><span class=\"s4\">";
  out += b.author;
  out += "</span><span class=\"s5\">";
  out += short_date(b.days_back);
  out += "</span></li>\r\n";
}

}  // namespace

int pinned_book_index(const SiteOptions& o) {
  const int total = total_books(o);
  return total > 0 ? static_cast<int>(hash_of(o.seed, 0x9177ED) % static_cast<std::uint64_t>(total)) : 0;
}

namespace {

void append_featured(std::string& out, const SiteOptions& o, std::string_view host) {
  const int total = total_books(o);
  out += "<div id=\"hotcontent\"><div class=\"l\">\r\n";
  Stream s(hash_of(o.seed, 0xFEA7));
  for (int k = 0; k < 6 && total > 0; ++k) {
    const BookModel b = make_book(o, static_cast<int>(s.below(static_cast<std::size_t>(total))));
    const std::string url = book_url(host, b.id);
    const auto lines = synopsis(b);
    out += "<div class=\"item\"><div class=\"image\"><a href=\"";
    out += url;
    out += "\"><img src=\"";
    out += cover_url(host, b);
    out += "\" alt=\"";
    out += b.name;
    out += "\" width=\"120\" height=\"150\" /></a></div>\r\n<dl><dt><span>";
    out += b.author;
    out += "</span><a href=\"";
    out += url;
    out += "\">";
    out += b.name;
    out += "</a></dt><dd>";
    out += lines.front();
    out += "</dd></dl></div>\r\n";
  }
  out += "</div></div>\r\n";
}

void append_popular(std::string& out, const SiteOptions& o, int page, std::string_view host) {
  const auto& w = word_tables();
  const int total = total_books(o);
  out += "<div class=\"r\"><h2>";
  out += w.popular;
  out += "</h2><ul>\r\n";
  Stream s(hash_of(o.seed, 0x7090, static_cast<std::uint64_t>(page)));
  for (int k = 0; k < 10 && total > 0; ++k) {
    const BookModel b = make_book(o, static_cast<int>(s.below(static_cast<std::size_t>(total))));
    out += "<li><span class=\"s2\"><a href=\"";
    out += book_url(host, b.id);
    out += "\">";
    out += b.name;
    out += "</a></span><span class=\"s5\">";
    out += b.author;
    out += "</span></li>\r\n";
  }
  out += "</ul></div></div>\r\n";
}

void append_page_links(std::string& out, const SiteOptions& o, int page) {
  const int last = o.listing_pages;
  const auto link = [&](int n, const char* cls, const std::string& text) {
    out += "<a href=\"/sort2/" + std::to_string(n) + ".html\"";
    if (cls) out += std::string(" class=\"") + cls + "\"";
    out += ">" + text + "</a>";
  };
  out += "<div class=\"pagelink\" id=\"pagelink\"><em id=\"pagestats\">";
  out += std::to_string(page) + "/" + std::to_string(last) + "</em>";
  link(1, "first", "1");
  if (page > 1) link(page - 1, "prev", "&lt;");
  for (int n = std::max(1, page - 4); n <= std::min(last, page + 4); ++n) {
    if (n == page) out += "<strong>" + std::to_string(n) + "</strong>";
    else link(n, nullptr, std::to_string(n));
  }
  if (page < last) link(page + 1, "next", "&gt;");
  link(last, "last", std::to_string(last));
  out += "</div>\r\n";
}

}  // namespace

std::string short_date(int days_back) {
  constexpr long kSiteDay = 17870;  // 2018-12-05
  int y = 0, m = 0, d = 0;
  civil_from_days(kSiteDay - days_back, y, m, d);
  char buf[40];
  std::snprintf(buf, sizeof buf, "%02d-%02d-%02d", y % 100, m, d);
  return buf;
}

std::string listing_page(const SiteOptions& o, int page, std::string_view host) {
  const auto& w = word_tables();
  const int rows = rows_on_page(o, page);
  std::string out;
  out.reserve(static_cast<std::size_t>(rows) * 420 + 6000);
  append_head(out, host, w.category + " - " + w.site_name);
  out += "<div id=\"main\">\r\n";
  if (page == 1) append_featured(out, o, host);
  out += "<div id=\"newscontent\">\r\n<div class=\"l\"><h2>";
  out += w.newest;
  out += "</h2><ul>\r\n";
  // The site pins one book above the list on every page. Its row has the
  // shape of the others, so each of the listing's three cuts begins with it
  // (the titles cut with the links above it as well) and the collection,
  // which drops the first entry of each cut, keeps exactly the page's books.
  append_listing_row(out, o, pinned_book_index(o), host);
  const int first = (page - 1) * o.rows_per_page;
  for (int i = 0; i < rows; ++i) append_listing_row(out, o, first + i, host);
  out += "</ul></div>\r\n";
  append_popular(out, o, page, host);
  append_page_links(out, o, page);
  out += "</div>\r\n";
  append_footer(out);
  return out;
}

std::string book_page(const BookModel& b, std::string_view host) {
  const auto& w = word_tables();
  static const std::string kAltSuffix = gbk("最新章节");
  std::string out;
  out.reserve(static_cast<std::size_t>(b.chapter_count) * 110 + 6000);
  append_head(out, host, b.name + " - " + w.site_name);
  out += "<div class=\"box_con\"><div class=\"con_top\"><a href=\"http://";
  out += host;
  out += "/\">" + w.site_name + "</a> &gt; <a href=\"/sort2/1.html\">" + w.category + "</a> &gt; ";
  out += b.name;
  out += "</div>\r\n<div id=\"maininfo\">\r\n<div id=\"fmimg\"><img alt=\"";
  out += b.alt_differs ? b.name + kAltSuffix : b.name;
  out += "\" src=\"";
  out += cover_url(host, b);
  out += "\" onerror=\"this.src='";
  out += SampleSite::kPlaceholderCoverPath;
  out += "'\" width=\"120\" height=\"150\" /></div>\r\n<div id=\"info\">\r\n<div class=\"infotitle\">\r\n<h1>";
  out += b.name;
  out += "</h1>\r\n<i>" + w.author_label + b.author + "</i><i>" + w.category_label + w.category +
         "</i><i>" + w.status_label + (b.finished ? w.status_finished : w.status_ongoing) + "</i>\r\n";
  out += "</div>\r\n<div class=\"intro\">\r\n<b>";
  out += w.book_open + b.name + w.book_close + w.intro_label;
  out += "</b><br />";
  const auto lines = synopsis(b);
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (i > 0) out += "\r\n";
    out += lines[i] + "<br />";
  }
  out += "\r\n" + w.promotion_lead + w.book_open + b.name + w.book_close + w.promotion_tail;
  out += "<br />\r\n</div>\r\n<div class=\"bookurl\">\r\n<p>";
  const int last = b.chapter_count - 1;
  out += w.latest_label + "<a href=\"" + std::to_string(chapter_id(b, last)) + ".html\">" +
         chapter_title(b, last) + "</a></p>\r\n";
  out += "</div>\r\n</div></div></div>\r\n<div class=\"box_con\"><div id=\"list\"><dl>\r\n<dt>";
  out += w.book_open + b.name + w.book_close + w.text_heading;
  out += "</dt>\r\n";
  for (int i = 0; i < b.chapter_count; ++i) {
    const std::string title = chapter_title(b, i);
    out += "<dd><a href=\"";
    out += std::to_string(chapter_id(b, i));
    out += ".html\" title=\"";
    out += title;
    out += "\">";
    out += title;
    out += "</a></dd>\r\n";
  }
  out += "</dl></div></div>\r\n";
  append_footer(out);
  return out;
}

std::string chapter_page(const BookModel& b, int chapter, std::string_view host) {
  const auto& w = word_tables();
  static const std::string kShare = gbk("喜欢本书请收藏，方便下次阅读。");
  const std::string title = chapter_title(b, chapter);
  const std::string prev = chapter > 0 ? std::to_string(chapter_id(b, chapter - 1)) + ".html" : "./";
  const std::string next =
      chapter + 1 < b.chapter_count ? std::to_string(chapter_id(b, chapter + 1)) + ".html" : "./";
  const std::string nav = "<div class=\"bottem1\"><a href=\"" + prev + "\">" + w.prev_chapter +
                          "</a> &larr; <a href=\"./\">" + w.chapter_index + "</a> &rarr; <a href=\"" +
                          next + "\">" + w.next_chapter + "</a></div>";
  std::string out;
  out.reserve(14000);
  append_head(out, host, title + " - " + b.name + " - " + w.site_name);
  out += "<div class=\"box_con\">\r\n<div class=\"con_top\"><a href=\"http://";
  out += host;
  out += "/\">" + w.site_name + "</a> &gt; <a href=\"./\">" + b.name + "</a> &gt; " + title + "</div>\r\n";
  out += "<div class=\"bookname\"><h1>" + title + "</h1>\r\n" + nav + "</div>\r\n";
  out += "<table width=\"100%\"><tr><td><script type=\"text/javascript\">read2();</script></td></tr></table>\r\n";
  out += "<div id=\"BookText\">";
  out += chapter_text(b, chapter);
  out += "</div>\r\n<div class=\"share\">" + kShare + "</div>\r\n";
  out += nav + "\r\n</div>\r\n";
  append_footer(out);
  return out;
}

std::string not_found_page() {
  return std::string(kDoctype) +
         "<head><title>404 Not Found</title></head>\r\n<body><h1>404 Not Found</h1></body></html>\r\n";
}

}  // namespace lv::site
