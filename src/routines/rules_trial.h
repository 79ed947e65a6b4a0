#pragma once
// Trying site rules on one page: the page is fetched and cut by the rules
// given (not the ones in force), and every value cut out is handed back with a
// label, so a user who edits the rules sees what each one finds.
#include <stop_token>
#include <string_view>
#include <vector>

#include "base/text.h"
#include "net/transfer_outcome.h"
#include "scrape/site_rules.h"

namespace lv::routines {

enum class TrialPage {
  listing,  // a listing page by number: its book rows
  book,     // a book page by address: the book's information and its chapter list
  chapter,  // a chapter page by address: its text
};

struct TrialRow {
  lv::base::Text label;  // "书名 1", "作者", "章节地址 3", ... (GBK)
  lv::base::Text value;  // what the rule cut out, exactly as the window would get it
  friend bool operator==(const TrialRow&, const TrialRow&) = default;
};

struct TrialResult {
  lv::base::Text address;          // the page that was asked for
  lv::net::TransferOutcome outcome;
  std::size_t page_bytes = 0;      // the page as it arrived, decoded
  std::vector<TrialRow> rows;      // in page order
  lv::base::Text summary;          // how many of each were cut: "书名 30 个，地址 30 个，..." (GBK)
};

// Fetches the page and cuts it. `which` is the page number (as text) for a
// listing page, else the page's address; an address beginning with "/" is on
// `site_host`, which also fills the markers' "{host}". Something that names
// no page is not fetched: its outcome is a bad address. Returns once the
// transfer has ended (a stop ends it early); call it off the window thread.
TrialResult try_rules(const lv::scrape::SiteRules& rules, std::string_view site_host, TrialPage page,
                      std::string_view which, std::stop_token stop = {});

}  // namespace lv::routines
