// Trying rules on the sample site's pages: what the given rules cut, item by
// item, and what happens when no page comes.
#include "routines/rules_trial.h"

#include <gtest/gtest.h>

#include "base/code_page.h"
#include "routines/chapter.h"
#include "sample_site/sample_server.h"

namespace {

using lv::base::gbk;
using lv::routines::TrialPage;
using lv::routines::TrialRow;
using lv::routines::try_rules;
using lv::scrape::built_in_rules;

class RulesTrial : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(server_.start()); }
  std::string host() const { return server_.site_host(); }
  std::string book_address(int id) const { return "http://" + host() + lv::site::SampleSite::book_path(id); }
  // The value of the row with this label, or "(none)".
  static std::string value(const std::vector<TrialRow>& rows, const std::string& utf8_label) {
    for (const TrialRow& row : rows) {
      if (row.label == gbk(utf8_label)) return row.value;
    }
    return "(none)";
  }
  lv::site::SampleServer server_;
};

TEST_F(RulesTrial, ListingRowsAreTheBooksOfThePage) {
  const auto result = try_rules(built_in_rules(), host(), TrialPage::listing, "1");
  ASSERT_TRUE(result.outcome.fetched());
  const int books = server_.site().books_on_listing_page(1);
  ASSERT_EQ(result.rows.size(), static_cast<std::size_t>(3 * books));
  // Row by row, each book's three cuts together, as the book list gets them.
  for (int i = 0; i < books; ++i) {
    const auto book = server_.site().book(1, i);
    const auto row = [&](int k) { return result.rows[static_cast<std::size_t>(3 * i + k)]; };
    const std::string n = " " + std::to_string(i + 1);
    EXPECT_EQ(row(0), (TrialRow{gbk("书名") + n, gbk("《") + book.title + gbk("》")}));
    EXPECT_EQ(row(1), (TrialRow{gbk("地址") + n, "http://" + host() + book.path}));
    EXPECT_EQ(row(2), (TrialRow{gbk("最新章节") + n, book.latest_title}));
  }
  const std::string count = std::to_string(books) + gbk(" 个");
  EXPECT_EQ(result.summary, gbk("书名 ") + count + gbk("，地址 ") + count + gbk("，最新章节 ") + count);
}

TEST_F(RulesTrial, BookPageGivesTheInformationAndTheChapterList) {
  const auto& site = server_.site();
  int id = 0;
  for (int candidate : site.book_ids()) {
    if (!site.has_prologue(candidate) && site.cover_kind(candidate) == lv::site::CoverKind::picture &&
        !site.cover_alt_differs(candidate)) {
      id = candidate;
      break;
    }
  }
  ASSERT_NE(id, 0);
  const auto result = try_rules(built_in_rules(), host(), TrialPage::book, lv::site::SampleSite::book_path(id));
  ASSERT_TRUE(result.outcome.fetched());
  EXPECT_EQ(result.address, book_address(id));
  const auto book = site.book_by_id(id);
  EXPECT_EQ(value(result.rows, "书名"), book.title);
  EXPECT_EQ(value(result.rows, "目录书名"), book.title);
  EXPECT_EQ(value(result.rows, "作者"), gbk("作者：") + book.author);
  EXPECT_NE(value(result.rows, "封面地址").find(site.cover_path(id)), std::string::npos);
  EXPECT_FALSE(value(result.rows, "简介").empty());
  const auto chapters = site.chapters(id);
  ASSERT_FALSE(chapters.empty());
  EXPECT_EQ(value(result.rows, "章节名 1"), chapters.front().title);
  EXPECT_EQ(value(result.rows, "章节地址 " + std::to_string(chapters.size())), chapters.back().address);
  EXPECT_EQ(result.rows.size(), 7 + 2 * chapters.size());
}

TEST_F(RulesTrial, EditedRulesCutWhatTheyNameNotWhatIsInForce) {
  lv::scrape::SiteRules edited = built_in_rules();
  edited.listing.title_prefix = "[";
  edited.listing.title_suffix = "]";
  edited.listing.latest.start = "no such marker";
  const auto listing = try_rules(edited, host(), TrialPage::listing, "2");
  const auto first = server_.site().book(2, 0);
  EXPECT_EQ(value(listing.rows, "书名 1"), "[" + first.title + "]");
  EXPECT_EQ(value(listing.rows, "地址 1"), "http://" + host() + first.path);
  EXPECT_EQ(value(listing.rows, "最新章节 1"), "(none)");
  EXPECT_NE(listing.summary.find(gbk("最新章节 0 个")), std::string::npos);

  // The edited cleaning runs, not the one in force.
  const int id = server_.site().book_ids()[0];
  const std::string chapter = server_.site().chapter_path(id, 0);
  edited.chapter_text.cleaning = {{"&nbsp;", "_", 0, false}};
  const auto raw = try_rules(edited, host(), TrialPage::chapter, chapter);
  const auto clean = try_rules(built_in_rules(), host(), TrialPage::chapter, "http://" + host() + chapter);
  ASSERT_TRUE(raw.outcome.fetched());
  EXPECT_NE(value(raw.rows, "正文").find("____"), std::string::npos);
  const std::string relative = chapter.substr(chapter.rfind('/') + 1);
  EXPECT_EQ(value(clean.rows, "正文"), lv::routines::load_chapter_text(book_address(id), relative));
  EXPECT_EQ(value(clean.rows, "正文").find("&nbsp;"), std::string::npos);
}

TEST_F(RulesTrial, APageThatDoesNotComeSaysHowAndCutsNothing) {
  const struct {
    TrialPage page;
    std::string which;
    lv::net::TransferEnd end;
    int status;
  } cases[] = {
      {TrialPage::listing, "0", lv::net::TransferEnd::bad_address, 0},
      {TrialPage::listing, "1x", lv::net::TransferEnd::bad_address, 0},
      {TrialPage::book, "", lv::net::TransferEnd::bad_address, 0},
      {TrialPage::book, "/no/such/book/", lv::net::TransferEnd::complete, 404},
  };
  for (const auto& c : cases) {
    server_.reset_counts();
    const auto result = try_rules(built_in_rules(), host(), c.page, c.which);
    EXPECT_EQ(result.outcome.end, c.end) << c.which;
    EXPECT_EQ(result.outcome.status, c.status) << c.which;
    EXPECT_FALSE(result.outcome.fetched());
    EXPECT_EQ(server_.total_requests(), c.status == 0 ? 0 : 1) << c.which;
  }
}

}  // namespace
