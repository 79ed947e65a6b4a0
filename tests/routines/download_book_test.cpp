// A whole book into the library: everything once, then only what is missing.
#include "routines/download_book.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "routines/chapter.h"
#include "sample_site/sample_server.h"
#include "scrape/chapter_text.h"

namespace {

using lv::site::Failure;
using std::chrono::milliseconds;

class DownloadBook : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(server_.start());
    path_ = std::filesystem::temp_directory_path() /
            ("lorevane-download-" + std::to_string(::getpid()) + "-" +
             ::testing::UnitTest::GetInstance()->current_test_info()->name() + ".sqlite3");
    std::filesystem::remove(path_);
    // A book of a few dozen chapters, starting with a numbered one.
    for (int id : server_.site().book_ids()) {
      const int n = server_.site().chapter_count(id);
      if (n >= 20 && n <= 60 && !server_.site().has_prologue(id)) {
        book_ = id;
        break;
      }
    }
    ASSERT_NE(book_, 0);
    address_ = "http://" + server_.site_host() + lv::site::SampleSite::book_path(book_);
  }
  void TearDown() override {
    for (const char* tail : {"", "-wal", "-shm"}) std::filesystem::remove(path_.string() + tail);
  }

  lv::routines::BookDownloadReport download(std::stop_token stop = {},
                                            std::function<void(const lv::routines::BookDownloadOptions::Progress&)>
                                                progress = {}) {
    lv::library::Library library = lv::library::Library::open(path_.string());
    lv::routines::BookDownloadOptions options;
    options.retry.first_pause = options.retry.slow_down_start = options.retry.slow_down_limit = milliseconds(1);
    options.stop = stop;
    options.progress = std::move(progress);
    return lv::routines::download_book(address_, library, options);
  }
  std::string chapter_path(int index) const { return server_.site().chapter_path(book_, index); }
  int chapter_requests() const {
    int n = 0;
    for (int i = 0; i < server_.site().chapter_count(book_); ++i) n += server_.request_count(chapter_path(i));
    return n;
  }

  lv::site::SampleServer server_;
  std::filesystem::path path_;
  int book_ = 0;
  std::string address_;
};

TEST_F(DownloadBook, StoresEveryChapterAsTheReaderShowsItThenFetchesNothingMore) {
  const int count = server_.site().chapter_count(book_);
  const auto first = download();
  EXPECT_TRUE(first.known);
  EXPECT_EQ(first.chapters, count);
  EXPECT_EQ(first.fetched, count);
  EXPECT_EQ(first.stored, count);
  EXPECT_TRUE(first.missing.empty());
  EXPECT_EQ(first.title, server_.site().book_by_id(book_).title);

  lv::library::Library library = lv::library::Library::open(path_.string());
  const auto stored = library.book(address_, true);
  ASSERT_TRUE(stored.has_value());
  EXPECT_FALSE(stored->cover.empty());
  const auto links = server_.site().chapters(book_);
  for (int i : {0, count / 2, count - 1}) {
    EXPECT_EQ(stored->chapters[static_cast<std::size_t>(i)].title, links[static_cast<std::size_t>(i)].title);
    EXPECT_EQ(stored->chapters[static_cast<std::size_t>(i)].text,
              lv::routines::load_chapter_text(address_, links[static_cast<std::size_t>(i)].address));
  }

  server_.reset_counts();
  const auto second = download();
  EXPECT_EQ(second.fetched, 0);
  EXPECT_EQ(second.stored, count);
  EXPECT_EQ(chapter_requests(), 0);
}

TEST_F(DownloadBook, ChapterThatNeverComesIsRecordedMissingAndFetchedAloneNextTime) {
  server_.set_failure(chapter_path(3), Failure::unavailable);
  server_.set_failure(chapter_path(5), Failure::block_page);
  const auto first = download();
  ASSERT_EQ(first.missing.size(), 2u);
  EXPECT_EQ(first.failed, 2);
  EXPECT_EQ(first.missing[0].index, 3);
  EXPECT_EQ(first.missing[0].reason, "HTTP 503 after 3 tries");
  EXPECT_EQ(first.missing[1].reason, "the page holds none of its markers after 3 tries");
  EXPECT_EQ(first.missing[1].address, address_ + server_.site().chapters(book_)[5].address);

  server_.clear_switches();
  server_.reset_counts();
  const auto second = download();
  EXPECT_EQ(second.fetched, 2);
  EXPECT_TRUE(second.missing.empty());
  EXPECT_EQ(chapter_requests(), 2);
}

TEST_F(DownloadBook, StoppedDownloadKeepsWhatCameAndTheNextOneFinishes) {
  server_.set_delay_all(milliseconds(5));
  std::stop_source stop;
  int seen = 0;
  const auto first = download(stop.get_token(), [&](const auto& progress) {
    seen = progress.stored;
    if (progress.fetched == 5) stop.request_stop();
  });
  EXPECT_TRUE(first.stopped);
  EXPECT_GE(first.fetched, 5);
  EXPECT_LT(first.fetched, first.chapters);
  EXPECT_EQ(seen, first.stored);

  const auto second = download();
  EXPECT_EQ(second.fetched, second.chapters - first.stored);
  EXPECT_TRUE(second.missing.empty());
}

}  // namespace
