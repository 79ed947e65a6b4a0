// The reader over the library: where it was left, with or without the site;
// chapters the library lacks fetched and stored; the chapters after the one
// shown fetched ahead; 查找 in the stored chapters.
#include <QApplication>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTest>
#include <gtest/gtest.h>

#include <filesystem>

#include "app/reader/find_results.h"
#include "app/reader/reader_window.h"
#include "app/widgets/edit_box.h"
#include "app/widgets/gbk_qstring.h"
#include "app/widgets/list_box.h"
#include "base/code_page.h"
#include "library/library.h"
#include "routines/download_book.h"
#include "sample_site/sample_server.h"

namespace {

using lv::app::ReaderWindow;
using lv::base::gbk;
using lv::base::Text;
using lv::site::Failure;

constexpr int kWait = 10000;

class ReaderLibraryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(server_.start());
    for (int id : server_.site().book_ids()) {
      const int n = server_.site().chapter_count(id);
      if (n >= 10 && n <= 60 && !server_.site().has_unnumbered_chapters(id)) {
        book_id_ = id;
        break;
      }
    }
    ASSERT_NE(book_id_, 0);
    book_ = "http://" + server_.site_host() + lv::site::SampleSite::book_path(book_id_);
    path_ = (std::filesystem::temp_directory_path() / ("lorevane-reader-library-" + std::to_string(::getpid()) + ".sqlite3")).string();
    remove_library();
    context_.state = &state_;
    context_.library_path = path_;
    context_.selected_book_address = [this] { return book_; };
    context_.selected_row = [] { return 0; };
  }
  void TearDown() override { remove_library(); }
  void remove_library() {
    for (const char* tail : {"", "-wal", "-shm"}) std::filesystem::remove(path_ + tail);
  }

  // The whole book into the library, but for the chapters at `left_out`.
  void store_book(const std::vector<int>& left_out = {}) {
    for (int i : left_out) server_.set_failure(chapter_path(i), Failure::not_found);
    lv::library::Library library = lv::library::Library::open(path_);
    lv::routines::BookDownloadOptions options;
    options.retry.first_pause = std::chrono::milliseconds(1);
    lv::routines::download_book(book_, library, options);
    server_.clear_switches();
    server_.reset_counts();
  }
  std::string chapter_path(int index) const { return server_.site().chapter_path(book_id_, index); }
  Text stored_text(int index) const {
    const auto book = lv::library::Library::open(path_).book(book_, true);
    return book->chapters.at(static_cast<std::size_t>(index)).text;
  }
  static QString shown(const ReaderWindow& reader) { return reader.text_view()->toPlainText(); }
  std::unique_ptr<ReaderWindow> open_from_library(std::optional<lv::app::LibraryReaderStart> start = {}) {
    return std::make_unique<ReaderWindow>(context_, nullptr, ReaderWindow::LibraryBook{book_, start});
  }

  lv::site::SampleServer server_;
  lv::routines::SharedState state_;
  lv::app::AppContext context_;
  int book_id_ = 0;
  std::string book_;
  std::string path_;
};

TEST_F(ReaderLibraryTest, OpensWhereItWasLeftWithTheSiteDown) {
  store_book();
  lv::library::Library::open(path_).save_reading_position(book_, {server_.site().chapters(book_id_)[3].address, 0, 1});
  server_.stop();  // the site is down from here on

  auto reader = open_from_library();
  EXPECT_EQ(reader->chapter_list()->count(), server_.site().chapter_count(book_id_));  // at once, from the library
  EXPECT_EQ(reader->chapter_list()->selection(), 3);
  EXPECT_TRUE(shown(*reader).endsWith(lv::app::to_editor_text(stored_text(3))));

  // Stepping on shows the library's text and remembers the chapter; closing, the place in it.
  reader->next_chapter();
  EXPECT_TRUE(shown(*reader).endsWith(lv::app::to_editor_text(stored_text(4))));
  reader->show();
  reader->resize(400, 300);
  reader->text_view()->verticalScrollBar()->setValue(5);
  const int place = reader->shown_position();
  reader->close();
  const auto saved = lv::library::Library::open(path_).reading_position(book_);
  ASSERT_TRUE(saved.has_value());
  EXPECT_EQ(saved->chapter_address, server_.site().chapters(book_id_)[4].address);
  EXPECT_EQ(saved->text_offset, place);
  EXPECT_GT(place, 0);

  // Opened again, it is there.
  auto again = open_from_library();
  again->show();
  again->resize(400, 300);
  EXPECT_EQ(again->chapter_list()->selection(), 4);

  // The main window's reader, too, shows the library's list when the site cannot be reached.
  ReaderWindow selected(context_);
  ASSERT_TRUE(QTest::qWaitFor([&] { return selected.chapter_list()->count() > 0; }, kWait));
  EXPECT_EQ(selected.chapter_list()->count(), server_.site().chapter_count(book_id_));
}

TEST_F(ReaderLibraryTest, AChapterNotStoredIsFetchedStoredAndTheNextTwoFetchedAhead) {
  const int count = server_.site().chapter_count(book_id_);
  store_book({2, 3, 4, 5, count - 1});
  server_.set_failure(chapter_path(count - 1), Failure::not_found);
  for (int round = 0; round < 2; ++round) {
    auto reader = open_from_library(lv::app::LibraryReaderStart{2, 0});
    // While it loads, the text view says so; then the chapter is shown.
    EXPECT_TRUE(round == 1 || shown(*reader).contains(QString::fromUtf8("正在载入")));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !shown(*reader).contains(QString::fromUtf8("正在载入")); }, kWait));
    EXPECT_TRUE(shown(*reader).endsWith(lv::app::to_editor_text(stored_text(2))));
    // The two after it come into the library without being asked for.
    ASSERT_TRUE(QTest::qWaitFor([&] { return !stored_text(3).empty() && !stored_text(4).empty(); }, kWait));
    EXPECT_TRUE(stored_text(5).empty());
  }
  EXPECT_EQ(server_.request_count(chapter_path(2)), 1);  // the second round read it from the library

  // A chapter that does not come says why, in Chinese.
  auto reader = open_from_library(lv::app::LibraryReaderStart{count - 1, 0});
  ASSERT_TRUE(QTest::qWaitFor([&] { return !shown(*reader).contains(QString::fromUtf8("正在载入")); }, kWait));
  EXPECT_TRUE(shown(*reader).contains(QString::fromUtf8("本章未能取回：服务器答复错误 HTTP 404")));
}

// A place saved in a chapter the library does not hold yet: once the chapter
// has come, the reader stands there, and that place stays the saved one.
TEST_F(ReaderLibraryTest, ThePlaceInAChapterStillToComeIsKept) {
  store_book({2});
  const std::string address = server_.site().chapters(book_id_)[2].address;
  lv::library::Library::open(path_).save_reading_position(book_, {address, 300, 1});
  auto reader = open_from_library();
  reader->show();
  reader->resize(400, 300);
  ASSERT_TRUE(QTest::qWaitFor([&] { return !shown(*reader).contains(QString::fromUtf8("正在载入")); }, kWait));
  ASSERT_TRUE(shown(*reader).endsWith(lv::app::to_editor_text(stored_text(2))));
  const int place = reader->shown_position();
  EXPECT_GT(place, 0);
  EXPECT_LE(place, 300);
  EXPECT_EQ(lv::library::Library::open(path_).reading_position(book_)->text_offset, place);
}

TEST_F(ReaderLibraryTest, FindListsThePlacesAndPickingOneShowsIt) {
  store_book();
  const Text third = stored_text(2);
  // Four characters from the middle of the third chapter, on a character boundary.
  std::size_t at = 0;
  while (at < third.size() / 2) at += static_cast<unsigned char>(third[at]) >= 0x80 ? 2 : 1;
  while (static_cast<unsigned char>(third[at]) < 0xB0) at += static_cast<unsigned char>(third[at]) >= 0x80 ? 2 : 1;
  const Text sought = third.substr(at, 8);

  auto reader = open_from_library(lv::app::LibraryReaderStart{0, 0});
  reader->show();
  lv::app::FindResults results(path_, book_, sought);
  ASSERT_TRUE(QTest::qWaitFor([&] { return !results.searching(); }, kWait));
  int row = -1;
  for (int i = 0; i < results.list().count() && row < 0; ++i) {
    if (results.list().item(i)->data(Qt::UserRole).toInt() == 2) row = i;
  }
  ASSERT_GE(row, 0);
  QObject::connect(&results, &lv::app::FindResults::picked, reader.get(),
                   [&](int chapter, std::size_t offset) { reader->show_chapter_at(chapter, offset); });
  emit results.list().itemActivated(results.list().item(row));
  EXPECT_EQ(reader->chapter_list()->selection(), 2);
  // The caret stands on the place found.
  QTextCursor cursor = reader->text_view()->textCursor();
  cursor.movePosition(QTextCursor::Right, QTextCursor::KeepAnchor, 4);
  EXPECT_EQ(lv::app::to_gbk(cursor.selectedText()), sought);
}

// 繁體/简体: the text, the titles and the caption in the script chosen, which
// the next reader opens with.
TEST_F(ReaderLibraryTest, TheScriptChosenShowsAndIsKept) {
  store_book();
  const auto traditional = [](const Text& gbk_text) {
    return lv::app::to_qstring(lv::exporting::convert_gbk(gbk_text, lv::exporting::ChineseScript::s2t));
  };
  {
    auto reader = open_from_library(lv::app::LibraryReaderStart{1, 0});
    reader->show_in_script(lv::exporting::ChineseScript::s2t);
    EXPECT_TRUE(shown(*reader).endsWith(lv::app::to_editor_text(lv::exporting::convert_gbk(stored_text(1), lv::exporting::ChineseScript::s2t))));
    EXPECT_EQ(reader->chapter_list()->item(0)->text(), traditional(server_.site().chapters(book_id_)[0].title));
    EXPECT_NE(shown(*reader), lv::app::to_qstring(stored_text(1)));
  }
  auto next = open_from_library(lv::app::LibraryReaderStart{1, 0});
  EXPECT_EQ(next->script(), lv::exporting::ChineseScript::s2t);
  EXPECT_EQ(next->chapter_list()->item(2)->text(), traditional(server_.site().chapters(book_id_)[2].title));
  next->show_in_script(lv::exporting::ChineseScript::as_written);
  EXPECT_TRUE(shown(*next).endsWith(lv::app::to_editor_text(stored_text(1))));
}

}  // namespace
