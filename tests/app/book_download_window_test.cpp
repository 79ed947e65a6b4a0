// The whole-book window's words and bar, against the sample site on 127.0.0.1.
#include <QLabel>
#include <QProgressBar>
#include <QTest>
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>

#include "app/download/book_download_window.h"
#include "library/library.h"
#include "sample_site/sample_server.h"

namespace lv::app {
namespace {

using Progress = lv::routines::BookDownloadOptions::Progress;
using std::chrono::seconds;

// Only stored chapters make speed; the time left is what is still to settle at that speed.
TEST(BookDownloadWindow, SpeedCountsStoredChaptersOnly) {
  const struct {
    Progress progress;
    const char* text;
  } cases[] = {
      {{20, 2, 2, 8, 0, seconds(2)}, "速度 1.0 章/秒　剩余 0:10"},
      {{10, 0, 0, 5, 0, seconds(1)}, "速度 0.0 章/秒　剩余 --:--"},
      {{100, 50, 40, 0, 0, seconds(10)}, "速度 4.0 章/秒　剩余 0:13"},
  };
  for (const auto& c : cases) EXPECT_EQ(download_speed_text(c.progress), QString::fromUtf8(c.text));
}

class BookDownloadWindowRun : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(server_.start());
    for (int id : server_.site().book_ids()) {
      if (server_.site().chapter_count(id) >= 20 && server_.site().chapter_count(id) <= 40 && !server_.site().has_prologue(id)) {
        book_ = id;
        break;
      }
    }
    ASSERT_NE(book_, 0);
    path_ = lv::library::default_library_path() + ".download";
    std::filesystem::remove(path_);
  }
  void TearDown() override { std::filesystem::remove(path_); }

  BookDownloadWindow::Job job() const {
    BookDownloadWindow::Job job;
    job.book = "http://" + server_.site_host() + lv::site::SampleSite::book_path(book_);
    job.title = QStringLiteral("《书》");
    job.library_path = path_;
    return job;
  }

  lv::site::SampleServer server_;
  int book_ = 0;
  std::string path_;
};

// Cancelled, the window says where it stands and nothing more is to come.
TEST_F(BookDownloadWindowRun, AfterCancelTheStateIsExact) {
  server_.set_delay_all(std::chrono::milliseconds(100));
  BookDownloadWindow window(job());
  window.show();
  ASSERT_TRUE(QTest::qWaitFor([&] { return window.bar().value() > 0; }, 20000));
  window.cancel();
  EXPECT_TRUE(window.counts().text().endsWith(QStringLiteral("（正在取消……）")));
  ASSERT_TRUE(QTest::qWaitFor([&] { return !window.running(); }, 20000));
  EXPECT_FALSE(window.counts().text().contains(QStringLiteral("正在取消"))) << window.counts().text().toStdString();
  EXPECT_TRUE(window.counts().text().startsWith(QStringLiteral("已存 ")));
  EXPECT_FALSE(window.speed().text().contains(QStringLiteral("剩余"))) << window.speed().text().toStdString();
  EXPECT_LT(window.bar().value(), window.bar().maximum());
  EXPECT_TRUE(window.outcome().text().startsWith(QStringLiteral("已取消")));
}

// Ended with a chapter missing and a file it could not write: the bar is
// full, and every line of the outcome shows.
TEST_F(BookDownloadWindowRun, EndedWithAMissingChapterTheBarIsFullAndTheOutcomeFits) {
  server_.set_failure(server_.site().chapter_path(book_, 3), lv::site::Failure::not_found);
  BookDownloadWindow::Job with_export = job();
  with_export.export_to = BookDownloadWindow::ExportTarget{
      path_ + "-no-such-folder/a-rather-long-folder-name-for-exported-books/another-folder/书名很长的一本书.epub", true};
  BookDownloadWindow window(with_export);
  window.show();
  ASSERT_TRUE(QTest::qWaitFor([&] { return !window.running(); }, 30000));
  EXPECT_TRUE(window.counts().text().endsWith(QStringLiteral("1 章未能取回"))) << window.counts().text().toStdString();
  EXPECT_EQ(window.bar().value(), window.bar().maximum());
  const QLabel& outcome = window.outcome();
  EXPECT_TRUE(outcome.text().contains(QStringLiteral("无法写出文件")));
  EXPECT_LE(outcome.heightForWidth(outcome.width()), outcome.height());
  EXPECT_TRUE(window.rect().contains(outcome.geometry()));
}

}  // namespace
}  // namespace lv::app
