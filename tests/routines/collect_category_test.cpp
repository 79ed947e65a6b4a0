#include "routines/collect_category.h"

#include <gtest/gtest.h>

#include <thread>

#include "base/code_page.h"
#include "routines/site.h"
#include "sample_site/sample_server.h"
#include "support/test_support.h"

namespace {

using lv::base::gbk;
using lv::routines::BookRecord;
using lv::routines::CollectionReport;
using lv::site::Failure;
using std::chrono::milliseconds;

// Retries without the real pauses, so that failing pages cost no time.
lv::routines::RetryPolicy quick_policy() {
  lv::routines::RetryPolicy policy;
  policy.first_pause = milliseconds(1);
  policy.slow_down_start = milliseconds(1);
  policy.slow_down_limit = milliseconds(4);
  policy.longest_retry_after = milliseconds(1);
  return policy;
}

class CollectCategory : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(server_.start());
    state_.set_book_id_counter("0");
  }

  std::vector<BookRecord> collect(int first, int last, CollectionReport* report = nullptr, int* batches = nullptr,
                                  int jobs = 4) {
    std::vector<BookRecord> rows;
    lv::routines::CollectionOptions options{server_.site_host(), first, last, {}, quick_policy()};
    options.jobs = jobs;
    int count = 0;
    CollectionReport r = lv::routines::collect_category(options, state_, [&](std::vector<BookRecord>&& page) {
      ++count;
      for (auto& row : page) rows.push_back(std::move(row));
    });
    if (report != nullptr) *report = std::move(r);
    if (batches != nullptr) *batches = count;
    return rows;
  }

  std::string page_path(int page) const { return "/sort2/" + std::to_string(page) + ".html"; }
  int books_on(int page) const { return server_.site().books_on_listing_page(page); }

  lv::site::SampleServer server_;
  lv::routines::SharedState state_;
};

TEST_F(CollectCategory, RowsFollowTheListingWithRunningIds) {
  CollectionReport report;
  const auto rows = collect(1, 2, &report);
  const auto& site = server_.site();
  ASSERT_EQ(static_cast<int>(rows.size()), books_on(1) + books_on(2));
  for (std::size_t i = 0; i < rows.size(); ++i) EXPECT_EQ(rows[i].id, std::to_string(i + 1));
  EXPECT_EQ(report.pages_fetched, 2);
  EXPECT_TRUE(report.missing.empty());

  // The entry each cut drops is the row the site pins above every list.
  const auto first = site.book(1, 0);
  EXPECT_EQ(rows[0].title, gbk("《") + first.title + gbk("》"));
  EXPECT_EQ(rows[0].address, "http://" + server_.site_host() + first.path);
  EXPECT_EQ(rows[0].latest, first.latest_title);
  EXPECT_EQ(rows[0].category, gbk("[修真小说]"));
  EXPECT_EQ(rows[static_cast<std::size_t>(books_on(1))].address, "http://" + server_.site_host() + site.book(2, 0).path);
  EXPECT_EQ(state_.book_id_counter(), std::to_string(rows.size()));
}

TEST_F(CollectCategory, PagesFetchedAheadComeOutInPageOrderWithTheSameIds) {
  const auto one_by_one = collect(1, 9, nullptr, nullptr, 1);
  EXPECT_EQ(server_.most_at_once(), 1);
  // The first pages answer last, so later pages arrive before them.
  for (int page = 1; page <= 3; ++page) server_.set_delay(page_path(page), milliseconds(60 * (4 - page)));
  server_.reset_counts();
  state_.set_book_id_counter("0");
  int batches = 0;
  EXPECT_EQ(collect(1, 9, nullptr, &batches, 4), one_by_one);
  EXPECT_EQ(batches, 9);
  EXPECT_GT(server_.most_at_once(), 1);
  EXPECT_LE(server_.most_at_once(), 4);
}

TEST_F(CollectCategory, SecondCollectionContinuesTheIds) {
  const auto once = collect(3, 3);
  const auto twice = collect(3, 3);
  ASSERT_EQ(once.size(), twice.size());
  EXPECT_EQ(twice.front().id, std::to_string(once.size() + 1));
  EXPECT_EQ(twice.front().address, once.front().address);
}

// Whatever went wrong on the first request, the second one brings the page:
// the rows are exactly those of an undisturbed collection.
TEST_F(CollectCategory, PageThatFailsOnceIsFetchedAgainWithItsRowsInPlace) {
  const auto clean = collect(1, 3);
  for (auto failure : {Failure::drop_connection, Failure::empty_body, Failure::unavailable,
                       Failure::too_many_requests, Failure::block_page, Failure::not_found}) {
    state_.set_book_id_counter("0");
    server_.reset_counts();
    server_.set_failure(page_path(2), failure, 1);
    CollectionReport report;
    EXPECT_EQ(collect(1, 3, &report), clean) << static_cast<int>(failure);
    EXPECT_TRUE(report.missing.empty()) << static_cast<int>(failure);
    EXPECT_EQ(server_.request_count(page_path(2)), 2) << static_cast<int>(failure);
  }
}

TEST_F(CollectCategory, PageThatNeverComesIsReportedAndTheOthersKeepTheirRows) {
  struct Case {
    Failure failure;
    int tries;
    const char* reason;
  };
  for (const Case& c : {Case{Failure::drop_connection, 3, "connection reset after 3 tries"},
                        Case{Failure::unavailable, 3, "HTTP 503 after 3 tries"},
                        Case{Failure::block_page, 3, "the page holds none of its markers after 3 tries"},
                        Case{Failure::not_found, 2, "HTTP 404 after 2 tries"}}) {
    state_.set_book_id_counter("0");
    server_.reset_counts();
    server_.set_failure(page_path(2), c.failure);
    CollectionReport report;
    int batches = 0;
    const auto rows = collect(1, 3, &report, &batches);
    EXPECT_EQ(batches, 2) << c.reason;
    // Page 3 follows page 1 directly, numbered on without a gap.
    ASSERT_EQ(static_cast<int>(rows.size()), books_on(1) + books_on(3)) << c.reason;
    EXPECT_EQ(rows.back().id, std::to_string(rows.size()));
    EXPECT_EQ(rows[static_cast<std::size_t>(books_on(1))].address,
              "http://" + server_.site_host() + server_.site().book(3, 0).path);
    ASSERT_EQ(report.missing.size(), 1u) << c.reason;
    EXPECT_EQ(report.missing[0].page, 2);
    EXPECT_EQ(report.missing[0].address, lv::routines::listing_page_address(server_.site_host(), 2));
    EXPECT_EQ(lv::base::english(report.missing[0].failure), c.reason);
    EXPECT_EQ(server_.request_count(page_path(2)), c.tries);
  }
}

TEST_F(CollectCategory, StopsBeforeTheNextPage) {
  std::stop_source stop;
  std::vector<BookRecord> rows;
  lv::routines::CollectionOptions options{server_.site_host(), 1, 146, stop.get_token(), quick_policy()};
  options.jobs = 1;  // one page at a time, so no later page is asked for ahead
  const auto report = lv::routines::collect_category(options, state_, [&](std::vector<BookRecord>&& page) {
    rows.insert(rows.end(), page.begin(), page.end());
    stop.request_stop();
  });
  EXPECT_EQ(report.pages_fetched, 1);
  EXPECT_TRUE(report.stopped);
  EXPECT_EQ(server_.request_count("/sort2/2.html"), 0);
  EXPECT_FALSE(rows.empty());
}

TEST_F(CollectCategory, StopEndsAPauseBetweenTries) {
  server_.set_failure(page_path(1), Failure::unavailable);
  std::stop_source stop;
  CollectionReport report;
  lv::routines::CollectionOptions options{server_.site_host(), 1, 3, stop.get_token(), quick_policy()};
  options.jobs = 1;
  options.retry.first_pause = std::chrono::hours(1);
  std::thread collection([&] { report = lv::routines::collect_category(options, state_, [](auto&&) {}); });
  ASSERT_TRUE(lv::test::wait_until([&] { return server_.request_count(page_path(1)) == 1; }));
  stop.request_stop();
  collection.join();  // an hour's pause would hold this for good
  EXPECT_TRUE(report.stopped);
  EXPECT_EQ(server_.request_count(page_path(2)), 0);
}

TEST_F(CollectCategory, ListingPageBodyHoldsTheLastPage) {
  collect(5, 6);
  const auto page6 = server_.site().get("/sort2/6.html", server_.site_host());
  ASSERT_TRUE(page6.has_value());
  EXPECT_EQ(state_.listing_page_body(), page6->body);
}

TEST(ListingAddress, IsBuiltFromTheSiteHost) {
  EXPECT_EQ(lv::routines::listing_page_address("a.test:81", 146), "http://a.test:81/sort2/146.html");
}

TEST(SharedState, ReleaseSkipsEmptyGlobalsAndReleasesOnce) {
  lv::routines::SharedState state;
  state.set_book_id_counter("0");
  state.set_listing_page_body("body");
  EXPECT_EQ(state.release(), 2);
  EXPECT_EQ(state.release(), 0);
  EXPECT_EQ(state.book_id_counter(), "");
}

}  // namespace
