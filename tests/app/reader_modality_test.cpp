// The reader blocks the window that opened it and nothing else: a download
// window that runs meanwhile can still be cancelled.
#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include <filesystem>

#include "app/download/book_download_window.h"
#include "app/reader/reader_window.h"
#include "sample_site/sample_server.h"

namespace {

TEST(ReaderModality, ADownloadWindowStaysUsableWhileTheReaderIsOpen) {
  lv::site::SampleServer server;
  ASSERT_TRUE(server.start());
  server.set_delay_all(std::chrono::milliseconds(200));  // the download is still running when the reader opens
  const int book = server.site().book_ids().front();
  const std::string address = "http://" + server.site_host() + lv::site::SampleSite::book_path(book);
  const std::string library = (std::filesystem::temp_directory_path() /
                               ("lorevane-modality-" + std::to_string(::getpid()) + ".sqlite3")).string();

  lv::routines::SharedState state;
  lv::app::AppContext context;
  context.state = &state;
  context.selected_book_address = [&] { return address; };
  QWidget opener;
  opener.show();
  auto* download = new lv::app::BookDownloadWindow({address, QStringLiteral("书"), library, nullptr, std::nullopt}, &opener);
  download->setWindowFlag(Qt::Window);
  download->show();

  bool opener_blocked = false;
  QTimer::singleShot(0, qApp, [&] {
    auto* reader = qobject_cast<lv::app::ReaderWindow*>(QApplication::activeModalWidget());
    ASSERT_NE(reader, nullptr);
    // A click on the opener goes nowhere; one on the download window's button cancels it.
    opener_blocked = QApplication::activeModalWidget() == reader && reader->windowModality() == Qt::WindowModal;
    QTest::mouseClick(&download->button(), Qt::LeftButton);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !download->running(); }, 10000));
    reader->close();
  });
  lv::app::open_reader(context, &opener);
  EXPECT_TRUE(opener_blocked);
  EXPECT_FALSE(download->running());
  EXPECT_FALSE(download->outcome().text().contains(QString::fromUtf8("完成"))) << download->outcome().text().toStdString();
  delete download;
  for (const char* tail : {"", "-wal", "-shm"}) std::filesystem::remove(library + tail);
}

}  // namespace
