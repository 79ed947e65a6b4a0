#include "routines/collect_chapters.h"

#include <gtest/gtest.h>

#include "routines/chapter.h"
#include "sample_site/sample_server.h"

namespace {

using lv::routines::ChapterEntry;

class BookRoutines : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(server_.start()); }
  std::string address(int book_id) const {
    return "http://" + server_.site_host() + lv::site::SampleSite::book_path(book_id);
  }
  lv::site::SampleServer server_;
  lv::routines::SharedState state_;
};

TEST_F(BookRoutines, TitleComesFirstThenEveryChapterInOrder) {
  const int book = server_.site().find_long_book(1000);
  ASSERT_NE(book, 0);
  std::vector<std::string> events;
  std::vector<ChapterEntry> chapters;
  lv::routines::ChapterSink sink;
  sink.set_book_title = [&](const std::string& title) { events.push_back("title:" + title); };
  sink.add_chapters = [&](std::vector<ChapterEntry>&& batch) {
    if (chapters.empty()) events.push_back("chapters");
    chapters.insert(chapters.end(), batch.begin(), batch.end());
  };
  lv::routines::collect_chapters(address(book), state_, sink);

  ASSERT_EQ(events.size(), 2u);
  EXPECT_EQ(events[0], "title:" + server_.site().book_by_id(book).title);
  EXPECT_EQ(state_.current_book_title(), server_.site().book_by_id(book).title);

  const auto links = server_.site().chapters(book);
  ASSERT_EQ(chapters.size(), links.size());
  EXPECT_EQ(chapters.front().address, links.front().address);
  EXPECT_EQ(chapters.back().title, links.back().title);
}

TEST_F(BookRoutines, UnreachableBookGivesAnEmptyTitleAndNoChapters) {
  server_.set_failure(lv::site::SampleSite::book_path(server_.site().book_ids()[3]), lv::site::Failure::empty_body);
  bool titled = false;
  std::size_t count = 0;
  lv::routines::ChapterSink sink;
  sink.set_book_title = [&](const std::string& title) { titled = title.empty(); };
  sink.add_chapters = [&](std::vector<ChapterEntry>&& batch) { count += batch.size(); };
  state_.set_current_book_title("old");
  lv::routines::collect_chapters(address(server_.site().book_ids()[3]), state_, sink);
  EXPECT_TRUE(titled);
  EXPECT_EQ(count, 0u);
  EXPECT_EQ(state_.current_book_title(), "");
}

TEST_F(BookRoutines, StopEndsBeforeAnyWrite) {
  std::stop_source stop;
  stop.request_stop();
  bool wrote = false;
  lv::routines::ChapterSink sink;
  sink.set_book_title = [&](const std::string&) { wrote = true; };
  sink.add_chapters = [&](std::vector<ChapterEntry>&&) { wrote = true; };
  lv::routines::collect_chapters(address(server_.site().book_ids()[1]), state_, sink, stop.get_token());
  EXPECT_FALSE(wrote);
}

TEST_F(BookRoutines, ChapterTextComesFromBookAddressPlusChapterAddress) {
  const int book = server_.site().book_ids()[2];
  const auto links = server_.site().chapters(book);
  ASSERT_FALSE(links.empty());
  const std::string text = lv::routines::load_chapter_text(address(book), links[0].address);
  EXPECT_FALSE(text.empty());
  EXPECT_EQ(text.front(), '\n');  // the LF after the start marker's CR
  EXPECT_EQ(server_.request_count(lv::site::SampleSite::book_path(book) + links[0].address), 1);
  // With no chapter the request goes to the book page, which has no text.
  EXPECT_EQ(lv::routines::load_chapter_text(address(book), ""), "");
}

TEST(ChapterView, ContentAndCaptionAreJoinedAsShown) {
  EXPECT_EQ(lv::routines::chapter_view_content("T", "\nx"), "T\r\n\r\n\nx");
  EXPECT_EQ(lv::routines::chapter_view_content("", ""), "\r\n\r\n");
  EXPECT_EQ(lv::routines::chapter_caption("B", "C"), "B  C");
  EXPECT_EQ(lv::routines::chapter_caption("B", ""), "B  ");
}

}  // namespace
