#include "routines/rules_trial.h"

#include <algorithm>
#include <charconv>

#include "base/code_page.h"
#include "base/convert.h"
#include "net/download.h"
#include "routines/site.h"
#include "scrape/book_page.h"
#include "scrape/chapter_list.h"
#include "scrape/chapter_text.h"
#include "scrape/listing_page.h"

namespace lv::routines {

namespace {

using lv::base::gbk;
using lv::base::Text;

Text numbered(const char* utf8_label, std::size_t i) { return gbk(utf8_label) + " " + lv::base::to_text(static_cast<int>(i + 1)); }

Text count_of(const char* utf8_label, std::size_t n) {
  return gbk(utf8_label) + " " + lv::base::to_text(static_cast<int>(n)) + gbk(" 个");
}

// Rows of a page that holds parallel lists: "书名 1", "地址 1", ... for as
// long as the longest list goes, so a list that came out shorter shows where.
void add_lists(std::vector<TrialRow>& rows, std::initializer_list<std::pair<const char*, const lv::scrape::ResultList*>> lists) {
  std::size_t longest = 0;
  for (const auto& [label, list] : lists) longest = std::max(longest, list->size());
  for (std::size_t i = 0; i < longest; ++i) {
    for (const auto& [label, list] : lists) {
      if (i < list->size()) rows.push_back({numbered(label, i), (*list)[i]});
    }
  }
}

std::vector<TrialRow> listing_rows(std::string_view body, std::string_view site_host,
                                   const lv::scrape::ListingRules& rules, Text& summary) {
  const lv::scrape::ListingEntries entries = lv::scrape::parse_listing_page(body, site_host, rules);
  std::vector<TrialRow> rows;
  add_lists(rows, {{"书名", &entries.titles}, {"地址", &entries.addresses}, {"最新章节", &entries.latest}});
  summary = count_of("书名", entries.titles.size()) + gbk("，") + count_of("地址", entries.addresses.size()) +
            gbk("，") + count_of("最新章节", entries.latest.size());
  return rows;
}

// A book page holds the book's information and its chapter list.
std::vector<TrialRow> book_rows(std::string_view body, const lv::scrape::SiteRules& rules, Text& summary) {
  const lv::scrape::BookInfo info = lv::scrape::parse_book_page(body, rules.book_page);
  std::vector<TrialRow> rows = {{gbk("书名"), info.name},         {gbk("封面地址"), info.cover_address},
                                {gbk("作者"), info.author},       {gbk("类别"), info.category},
                                {gbk("状态"), info.status},       {gbk("简介"), info.intro}};
  const lv::scrape::ChapterList list = lv::scrape::parse_chapter_list(body, rules.chapter_list);
  rows.push_back({gbk("目录书名"), list.book_title});
  // Title and address come from the same link, so each pair is one chapter.
  for (std::size_t i = 0; i < list.chapters.size(); ++i) {
    rows.push_back({numbered("章节名", i), list.chapters[i].title});
    rows.push_back({numbered("章节地址", i), list.chapters[i].address});
  }
  summary = count_of("章节名", list.chapters.size()) + gbk("，") + count_of("章节地址", list.chapters.size());
  return rows;
}

std::vector<TrialRow> chapter_rows(Text body, const lv::scrape::ChapterTextRules& rules, Text& summary) {
  Text text = lv::scrape::parse_chapter_text(std::move(body), rules);
  summary = gbk("正文 ") + lv::base::to_text(static_cast<int>(text.size())) + gbk(" 字节");
  return {{gbk("正文"), std::move(text)}};
}

std::optional<int> page_number(std::string_view text) {
  int n = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), n);
  if (error != std::errc() || end != text.data() + text.size() || n < 1) return std::nullopt;
  return n;
}

}  // namespace

TrialResult try_rules(const lv::scrape::SiteRules& rules, std::string_view site_host, TrialPage page,
                      std::string_view which, std::stop_token stop) {
  TrialResult result;
  if (page == TrialPage::listing) {
    if (const auto n = page_number(which)) result.address = listing_page_address(site_host, *n);
  } else if (which.starts_with("/")) {
    result.address = "http://" + Text(site_host) + Text(which);
  } else {
    result.address = Text(which);
  }
  if (result.address.empty()) {
    result.outcome.end = lv::net::TransferEnd::bad_address;
    result.outcome.detail = "not a page number";
    return result;
  }

  lv::net::DownloadRequest request;
  request.url = result.address;
  request.outcome_out = &result.outcome;
  request.stop = std::move(stop);
  Text body = lv::net::download_text(request);
  result.page_bytes = body.size();
  switch (page) {
    case TrialPage::listing: result.rows = listing_rows(body, site_host, rules.listing, result.summary); break;
    case TrialPage::book: result.rows = book_rows(body, rules, result.summary); break;
    case TrialPage::chapter: result.rows = chapter_rows(std::move(body), rules.chapter_text, result.summary); break;
  }
  return result;
}

}  // namespace lv::routines
