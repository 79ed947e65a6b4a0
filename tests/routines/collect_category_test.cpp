#include "routines/collect_category.h"

#include <gtest/gtest.h>

#include <atomic>

#include "base/code_page.h"
#include "routines/site.h"
#include "sample_site/sample_server.h"

namespace {

using lv::base::gbk;
using lv::routines::BookRecord;

class CollectCategory : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(server_.start());
    state_.set_book_id_counter("0");
  }

  std::vector<BookRecord> collect(int first, int last, const std::atomic_bool* stop = nullptr,
                                  int* pages_seen = nullptr) {
    std::vector<BookRecord> rows;
    lv::routines::CollectionOptions options{server_.site_host(), first, last, stop};
    int batches = 0;
    lv::routines::collect_category(options, state_, [&](std::vector<BookRecord>&& page) {
      ++batches;
      for (auto& row : page) rows.push_back(std::move(row));
    });
    if (pages_seen != nullptr) *pages_seen = batches;
    return rows;
  }

  lv::site::SampleServer server_;
  lv::routines::SharedState state_;
};

TEST_F(CollectCategory, RowsFollowTheListingWithRunningIds) {
  const auto rows = collect(1, 2);
  const auto& site = server_.site();
  const int expected = site.books_on_listing_page(1) + site.books_on_listing_page(2);
  ASSERT_EQ(static_cast<int>(rows.size()), expected);
  for (std::size_t i = 0; i < rows.size(); ++i) EXPECT_EQ(rows[i].id, std::to_string(i + 1));

  // The entry each cut drops is the row the site pins above every list.
  const auto first = site.book(1, 0);
  EXPECT_EQ(rows[0].title, gbk("《") + first.title + gbk("》"));
  EXPECT_EQ(rows[0].address, "http://" + server_.site_host() + first.path);
  EXPECT_EQ(rows[0].latest, first.latest_title);
  EXPECT_EQ(rows[0].category, gbk("[修真小说]"));
  const auto second_page_first = site.book(2, 0);
  EXPECT_EQ(rows[static_cast<std::size_t>(site.books_on_listing_page(1))].address,
            "http://" + server_.site_host() + second_page_first.path);
  EXPECT_EQ(state_.book_id_counter(), std::to_string(rows.size()));
}

TEST_F(CollectCategory, SecondCollectionContinuesTheIds) {
  const auto once = collect(3, 3);
  const auto twice = collect(3, 3);
  ASSERT_EQ(once.size(), twice.size());
  EXPECT_EQ(twice.front().id, std::to_string(once.size() + 1));
  EXPECT_EQ(twice.front().address, once.front().address);
}

TEST_F(CollectCategory, FailedPageAddsNothingAndTheCollectionGoesOn) {
  for (auto failure : {lv::site::Failure::not_found, lv::site::Failure::empty_body}) {
    server_.set_failure("/sort2/2.html", failure);
    int batches = 0;
    const auto rows = collect(1, 3, nullptr, &batches);
    EXPECT_EQ(batches, 2) << static_cast<int>(failure);
    // Page 2 failing must not repeat the rows of page 1.
    const int expected = server_.site().books_on_listing_page(1) + server_.site().books_on_listing_page(3);
    EXPECT_EQ(static_cast<int>(rows.size()), expected);
  }
}

TEST_F(CollectCategory, DroppedConnectionKeepsTheRowsThatArrived) {
  server_.set_failure("/sort2/2.html", lv::site::Failure::drop_connection);
  const auto partial = collect(2, 2);
  server_.clear_switches();
  const auto full = collect(2, 2);
  ASSERT_LT(partial.size(), full.size());
  for (std::size_t i = 0; i < partial.size(); ++i) EXPECT_EQ(partial[i].address, full[i].address);
}

TEST_F(CollectCategory, StopsBeforeTheNextPage) {
  std::atomic_bool stop{false};
  std::vector<BookRecord> rows;
  lv::routines::CollectionOptions options{server_.site_host(), 1, 146, &stop};
  const int fetched = lv::routines::collect_category(options, state_, [&](std::vector<BookRecord>&& page) {
    rows.insert(rows.end(), page.begin(), page.end());
    stop = true;
  });
  EXPECT_EQ(fetched, 1);
  EXPECT_EQ(server_.request_count("/sort2/2.html"), 0);
  EXPECT_FALSE(rows.empty());
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
