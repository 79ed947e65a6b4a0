#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QProgressBar>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>

#include "app/bookshelf/bookshelf_window.h"
#include "app/widgets/gbk_qstring.h"
#include "app/download/book_download_window.h"
#include "app/main/main_window.h"
#include "app/shell/start_up.h"
#include "app/widgets/report_list.h"
#include "base/code_page.h"
#include "library/library.h"
#include "routines/collect_category.h"
#include "sample_site/sample_server.h"
#include "support/epubcheck.h"

namespace lv::app {
namespace {

using lv::routines::BookRecord;

// How long a condition may take to hold: a safety net for a loaded machine
// under the sanitizers, never a pause.
constexpr int kWait = 10000;

class MainWindowTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    server_ = new lv::site::SampleServer;
    ASSERT_TRUE(server_->start());
  }
  static void TearDownTestSuite() {
    delete server_;
    server_ = nullptr;
  }

  void SetUp() override {
    server_->clear_switches();
    state.set_book_id_counter("0");
    context.site_host = server_->site_host();
    context.state = &state;
    context.library_path = lv::library::default_library_path();
    context.show_book_info = [this] { ++info_calls; };
    context.open_reader = [this] { ++reader_calls; };
    window = std::make_unique<MainWindow>(context);
    window->set_page_range(1, 3);
  }

  void TearDown() override {
    // The state must outlive the worker: let a running collection end.
    window->stop_collection();
    server_->clear_switches();
    EXPECT_TRUE(QTest::qWaitFor([this] { return !window->collection_running(); }, kWait));
  }

  template <typename T>
  T* control(const char* name) const {
    return window->findChild<T*>(QString::fromUtf8(name));
  }

  bool wait_for_end() {
    return QTest::qWaitFor([this] { return !window->collection_running(); }, kWait);
  }

  // The whole-book window that 下载全书 or 导出 opened, once it has ended.
  BookDownloadWindow* ended_download_window() {
    auto* progress = window->findChild<BookDownloadWindow*>();
    if (progress == nullptr || !QTest::qWaitFor([progress] { return !progress->running(); }, 60000)) return nullptr;
    return progress;
  }
  // Exports the selected book to `file` as the save dialog would choose it.
  BookDownloadWindow* export_selected_to(const QString& file) {
    window->set_save_chooser([file](const QString&, bool* epub) {
      *epub = file.endsWith(QStringLiteral(".epub"));
      return file;
    });
    return window->export_selected_book() ? ended_download_window() : nullptr;
  }
  bool close_download_window(BookDownloadWindow* progress) {
    progress->close();
    return QTest::qWaitFor([this] { return window->findChild<BookDownloadWindow*>() == nullptr; }, kWait);
  }

  std::vector<BookRecord> expected_rows(int first, int last, int first_id) {
    lv::routines::SharedState fresh;
    fresh.set_book_id_counter(std::to_string(first_id - 1));
    std::vector<BookRecord> rows;
    lv::routines::collect_category({server_->site_host(), first, last, {}, {}}, fresh,
                                   [&rows](std::vector<BookRecord>&& page) {
                                     for (auto& row : page) rows.push_back(std::move(row));
                                   });
    return rows;
  }

  std::vector<BookRecord> shown_rows() const {
    std::vector<BookRecord> rows;
    const ReportList& list = window->book_list();
    for (int row = 0; row < list.row_count(); ++row) {
      rows.push_back({list.cell_text(row, 0), list.cell_text(row, 1),
                      list.cell_text(row, 2), list.cell_text(row, 3),
                      list.cell_text(row, 4)});
    }
    return rows;
  }

  static lv::site::SampleServer* server_;
  lv::routines::SharedState state;
  AppContext context;
  std::unique_ptr<MainWindow> window;
  int info_calls = 0;
  int reader_calls = 0;
};

lv::site::SampleServer* MainWindowTest::server_ = nullptr;

TEST_F(MainWindowTest, BuiltFromItsDefinition) {
  EXPECT_EQ(window->windowTitle(), QStringLiteral("LorevaneV1.0.2.0"));
  EXPECT_EQ(window->minimumSize(), window->maximumSize());
  EXPECT_FALSE(window->windowFlags() & Qt::WindowMinimizeButtonHint);
  EXPECT_FALSE(window->windowFlags() & Qt::WindowMaximizeButtonHint);
  const struct {
    const char* name;
    QRect where;
    const char* caption;
  } buttons[] = {{"按钮5", {240, 0, 72, 24}, "搜索"},      {"按钮6", {584, 0, 64, 24}, "采集规则"},
                 {"按钮1", {568, 56, 80, 32}, "开始采集"}, {"按钮2", {568, 112, 80, 32}, "查看信息"},
                 {"按钮3", {568, 168, 80, 32}, "结束采集"}, {"按钮4", {568, 224, 80, 32}, "阅读此书"}};
  for (const auto& b : buttons) {
    auto* button = control<QPushButton>(b.name);
    ASSERT_NE(button, nullptr) << b.name;
    EXPECT_EQ(button->geometry(), b.where) << b.name;
    EXPECT_EQ(button->text(), QString::fromUtf8(b.caption));
  }
  ASSERT_NE(control<QLabel>("标签3"), nullptr);
  EXPECT_EQ(control<QLabel>("标签3")->text(), QStringLiteral("*（不需要输入《书名号》），例：“剑破仙惊”"));
  EXPECT_EQ(control<QLabel>("标签2")->text(), QStringLiteral("搜索书名："));
  EXPECT_EQ(control<QLabel>("标签1")->geometry(), QRect(4, 32, 560, 16));
  EXPECT_EQ(control<QLabel>("标签4")->geometry(), QRect(568, 264, 80, 32));
  EXPECT_TRUE(control<QLabel>("标签4")->wordWrap());
  EXPECT_EQ(control<QLineEdit>("编辑框1")->geometry(), QRect(72, 3, 160, 20));
  EXPECT_EQ(control<ReportList>("超级列表框1")->geometry(), QRect(0, 48, 560, 248));
  auto* timer = control<QTimer>("时钟1");
  ASSERT_NE(timer, nullptr);
  EXPECT_EQ(timer->interval(), 100);
  EXPECT_TRUE(timer->isActive());
  const auto items = window->book_menu().actions();
  ASSERT_EQ(items.size(), 4);
  EXPECT_EQ(items[0]->text(), QStringLiteral("阅读"));
  EXPECT_EQ(items[1]->text(), QStringLiteral("小说信息"));
  EXPECT_EQ(items[2]->text(), QStringLiteral("下载全书"));
  EXPECT_EQ(items[3]->text(), QStringLiteral("导出…"));
}

TEST_F(MainWindowTest, CountLabelTicks) {
  EXPECT_EQ(window->count_label().text(), QString());
  ASSERT_TRUE(QTest::qWaitFor([this] { return !window->count_label().text().isEmpty(); }, kWait));
  EXPECT_EQ(window->count_label().text(), QStringLiteral("当前共找到：0部小说。"));
  window->book_list().append_rows({{"1", "a", "b", "c", "d"}, {"2", "a", "b", "c", "d"}});
  ASSERT_TRUE(QTest::qWaitFor([this] { return window->count_label().text() != QStringLiteral("当前共找到：0部小说。"); }, kWait));
  EXPECT_EQ(window->count_label().text(), QStringLiteral("当前共找到：2部小说。"));
}

// Each collection lists the category afresh (the ids go on); the status line
// says that it runs, pages done of all, and how it ended.
TEST_F(MainWindowTest, EachCollectionFillsAFreshListAndSaysHowFarItGot) {
  const std::vector<BookRecord> first = expected_rows(1, 3, 1);
  ASSERT_FALSE(first.empty());
  EXPECT_EQ(first.front().id, "1");
  EXPECT_EQ(first.front().title, "\xA1\xB6" + server_->site().book(1, 0).title + "\xA1\xB7");  // 《 》

  QTest::mouseClick(control<QPushButton>("按钮1"), Qt::LeftButton);
  ASSERT_TRUE(window->collection_running());
  EXPECT_EQ(window->collection_status().text(), QStringLiteral("正在采集：0 / 3 页"));
  ASSERT_TRUE(wait_for_end());
  EXPECT_EQ(shown_rows(), first);
  EXPECT_EQ(window->collection_status().text(), QStringLiteral("采集完成：3 页，共 %1 部小说").arg(first.size()));

  ASSERT_TRUE(window->start_collection());
  ASSERT_TRUE(wait_for_end());
  const std::vector<BookRecord> second = expected_rows(1, 3, static_cast<int>(first.size()) + 1);
  EXPECT_EQ(shown_rows(), second);
  EXPECT_EQ(second.back().id, std::to_string(2 * first.size()));
}

TEST_F(MainWindowTest, SecondStartWhileRunningStartsNothing) {
  server_->set_delay_all(std::chrono::milliseconds(40));
  ASSERT_TRUE(window->start_collection());
  EXPECT_FALSE(window->start_collection());
  QTest::mouseClick(control<QPushButton>("按钮1"), Qt::LeftButton);
  ASSERT_TRUE(wait_for_end());
  EXPECT_EQ(shown_rows(), expected_rows(1, 3, 1));
}

TEST_F(MainWindowTest, StopEndsTheCollectionBeforeItsNextPage) {
  window->set_page_range(1, 146);
  server_->set_delay_all(std::chrono::milliseconds(30));
  ASSERT_TRUE(window->start_collection());
  ASSERT_TRUE(QTest::qWaitFor([this] { return window->book_list().row_count() > 0; }, kWait));
  QTest::mouseClick(control<QPushButton>("按钮3"), Qt::LeftButton);
  ASSERT_TRUE(wait_for_end());
  const int kept = window->book_list().row_count();
  EXPECT_GT(kept, 0);
  EXPECT_LT(kept, server_->site().total_books());
  // Rows already added stay, in order.
  const std::vector<BookRecord> rows = shown_rows();
  for (int i = 0; i < kept; ++i) EXPECT_EQ(rows[static_cast<std::size_t>(i)].id, std::to_string(i + 1));
  // Nothing runs now: another press of stop changes nothing.
  QTest::mouseClick(control<QPushButton>("按钮3"), Qt::LeftButton);
  EXPECT_EQ(window->book_list().row_count(), kept);
  EXPECT_FALSE(window->collection_running());
}

// The pop-up's whole-book items: a progress window of its own while the main
// window stays usable, the book in the library, then in the chosen file.
TEST_F(MainWindowTest, WholeBookDownloadAndExportFromThePopUp) {
  const auto& site = server_->site();
  int book = 0;
  for (int id : site.book_ids()) {
    if (site.chapter_count(id) <= 40 && !site.has_prologue(id)) {
      book = id;
      break;
    }
  }
  ASSERT_NE(book, 0);
  const std::string address = "http://" + server_->site_host() + lv::site::SampleSite::book_path(book);
  window->book_list().append_rows({{"1", lv::base::gbk("《书》"), "", address, ""}});
  EXPECT_FALSE(window->download_selected_book());  // no row selected
  window->book_list().select_row(0);

  ASSERT_TRUE(window->download_selected_book());
  auto* progress = window->findChild<BookDownloadWindow*>();
  ASSERT_NE(progress, nullptr);
  EXPECT_TRUE(progress->isVisible());
  EXPECT_FALSE(progress->isModal());
  ASSERT_EQ(ended_download_window(), progress);
  EXPECT_EQ(progress->bar().value(), site.chapter_count(book));
  EXPECT_EQ(progress->outcome().text(), QStringLiteral("完成：%1 章全部存入书库。").arg(site.chapter_count(book)));
  const auto stored = lv::library::Library::open(lv::library::default_library_path()).book(address, false);
  ASSERT_TRUE(stored.has_value());
  EXPECT_EQ(static_cast<int>(stored->chapters.size()), site.chapter_count(book));
  ASSERT_TRUE(close_download_window(progress));

  const QString file = QString::fromStdString(lv::library::default_library_path()) + QStringLiteral(".txt");
  QString suggested;
  window->set_save_chooser([&](const QString& name, bool* epub) {
    suggested = name;
    *epub = false;
    return file;
  });
  ASSERT_TRUE(window->export_selected_book());
  EXPECT_EQ(suggested, QStringLiteral("书.epub"));
  progress = ended_download_window();
  ASSERT_NE(progress, nullptr);
  EXPECT_TRUE(progress->outcome().text().contains(QStringLiteral("已导出到 ") + file));
  EXPECT_TRUE(QFileInfo::exists(file));
  window->set_save_chooser([](const QString&, bool*) { return QString(); });
  EXPECT_FALSE(window->export_selected_book());  // the user cancelled the save dialog
}

// A cover cut short is left out of the EPUB, and the outcome says so.
TEST_F(MainWindowTest, ExportNamesACoverLeftOut) {
  const auto& site = server_->site();
  const int book = site.find_book_with_cover(lv::site::CoverKind::picture);
  const std::string cover = site.cover_path(book);
  const std::string picture = site.get(cover, server_->site_host())->body;
  server_->set_page(cover, picture.substr(0, picture.size() / 2), "image/jpeg");
  const std::string address = "http://" + server_->site_host() + lv::site::SampleSite::book_path(book);
  window->book_list().append_rows({{"1", lv::base::gbk("《书》"), "", address, ""}});
  window->book_list().select_row(0);
  const QString file = QString::fromStdString(lv::library::default_library_path()) + QStringLiteral(".cover.epub");
  auto* progress = export_selected_to(file);
  ASSERT_NE(progress, nullptr);
  EXPECT_TRUE(progress->outcome().text().contains(QStringLiteral("\n封面没有放进书里：图片不完整或已损坏")))
      << progress->outcome().text().toStdString();
  EXPECT_EQ(lv::test::epubcheck_problems(file.toStdString()), "");  // a book without its cover
  EXPECT_TRUE(QFile::remove(file));
  ASSERT_TRUE(close_download_window(progress));
}

// An export to the library file is refused before anything starts; a book
// without chapters is exported to no file. Both say why.
TEST_F(MainWindowTest, ExportRefusesTheLibraryAndABookWithoutChapters) {
  const std::string library = lv::library::default_library_path();
  // Not on the site: the download keeps what the library holds, no chapter.
  const std::string address = "http://" + server_->site_host() + "/book/0/0/";
  lv::library::Library::open(library).save_book(address, {lv::base::gbk("空书"), "", "", "", "", ""}, {});
  window->book_list().append_rows({{"1", lv::base::gbk("《空书》"), "", address, ""}});
  window->book_list().select_row(0);
  const QString file = QString::fromStdString(library) + QStringLiteral(".epub");

  for (const QString& chosen : {QString::fromStdString(library), QString::fromStdString(library + "-wal")}) {
    window->set_save_chooser([&](const QString&, bool* epub) {
      *epub = true;
      return chosen;
    });
    QString text;
    QTimer::singleShot(0, [&] {
      if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
        text = box->text();
        box->button(QMessageBox::Ok)->click();
      }
    });
    EXPECT_FALSE(window->export_selected_book());
    EXPECT_EQ(text, QStringLiteral("不能导出到 ") + chosen + QStringLiteral("：这是书库文件，导出不能覆盖它。未写入任何文件。"));
    EXPECT_EQ(window->findChild<BookDownloadWindow*>(), nullptr);
  }
  EXPECT_TRUE(lv::library::Library::open(library).book(address, false).has_value());

  auto* progress = export_selected_to(file);
  ASSERT_NE(progress, nullptr);
  EXPECT_TRUE(progress->outcome().text().endsWith(QStringLiteral("\n这本书没有章节，没有写出文件。")))
      << progress->outcome().text().toStdString();
  EXPECT_FALSE(QFileInfo::exists(file));
  ASSERT_TRUE(close_download_window(progress));
}

TEST_F(MainWindowTest, MissingPagesAreNamedWhenTheCollectionEnds) {
  lv::routines::RetryPolicy quick;
  quick.first_pause = quick.slow_down_start = quick.slow_down_limit = std::chrono::milliseconds(1);
  window->set_retry_policy(quick);
  server_->set_failure("/sort2/2.html", lv::site::Failure::unavailable);
  QString text;
  QString details;
  bool box_seen = false;
  QObject::connect(window.get(), &MainWindow::collection_finished, [&] {
    QTimer::singleShot(0, [&] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      if (box == nullptr) return;
      box_seen = true;
      text = box->text();
      details = box->detailedText();
      box->button(QMessageBox::Ok)->click();
    });
  });
  ASSERT_TRUE(window->start_collection());
  ASSERT_TRUE(wait_for_end());
  ASSERT_TRUE(QTest::qWaitFor([&] { return box_seen; }, 10000));
  // One line however many pages are missing; each page in the details.
  EXPECT_EQ(text, QStringLiteral("有 1 个列表页未能取回，其中的小说未加入列表。"));
  EXPECT_EQ(details, QStringLiteral("第2页：服务器答复错误 HTTP 503（已试 3 次）"));
  EXPECT_TRUE(window->collection_status().text().contains(QStringLiteral("1 页未能取回")));
  // Nothing else changes: the rows of pages 1 and 3 are there, numbered on.
  std::vector<BookRecord> expected = expected_rows(1, 1, 1);
  const auto third = expected_rows(3, 3, static_cast<int>(expected.size()) + 1);
  expected.insert(expected.end(), third.begin(), third.end());
  EXPECT_EQ(shown_rows(), expected);
}

class TitleSearchTest : public MainWindowTest {
 protected:
  void SetUp() override {
    MainWindowTest::SetUp();
    window->book_list().append_rows({{"1", lv::base::gbk("《剑破仙惊》"), "", "http://h/1/", ""},
                                     {"2", lv::base::gbk("《仙路》"), "", "http://h/2/", ""},
                                     {"3", lv::base::gbk("《》"), "", "http://h/3/", ""},
                                     {"4", lv::base::gbk("《剑破仙惊外传》"), "", "http://h/4/", ""},
                                     {"5", lv::base::gbk("《仙路》"), "", "http://h/5/", ""}});
    window->show();
    QApplication::setActiveWindow(window.get());
  }
  int search(const QString& typed) {
    window->search_box().setText(typed);
    window->search_box().setFocus();
    QTest::mouseClick(control<QPushButton>("按钮5"), Qt::LeftButton);
    return window->book_list().selected_row();
  }
};

TEST_F(TitleSearchTest, FindsTheFirstRowTooAndSelectsIt) {
  EXPECT_EQ(search(QStringLiteral("剑破仙惊")), 0);
  EXPECT_EQ(search(QStringLiteral("仙路")), 1);
  EXPECT_TRUE(QTest::qWaitFor([this] { return window->book_list().hasFocus(); }, kWait));
}

TEST_F(TitleSearchTest, NoMatchChangesNothing) {
  EXPECT_EQ(search(QStringLiteral("仙路")), 1);
  EXPECT_EQ(search(QStringLiteral("《剑破仙惊》")), 1);  // looks for 《《剑破仙惊》》
  EXPECT_EQ(search(QStringLiteral("剑破")), 1);          // whole cells only
  EXPECT_EQ(search(QStringLiteral("仙路 ")), 1);         // not trimmed
  EXPECT_TRUE(window->book_list().hasFocus());
}

TEST_F(TitleSearchTest, EmptySearchBoxLooksForEmptyMarks) {
  EXPECT_EQ(search(QString()), 2);
  EXPECT_EQ(window->search_title(), 2);
}

TEST_F(MainWindowTest, InfoAndReadActionsReachTheirWindows) {
  QTest::mouseClick(control<QPushButton>("按钮2"), Qt::LeftButton);
  QTest::mouseClick(control<QPushButton>("按钮4"), Qt::LeftButton);
  window->book_menu().actions()[0]->trigger();
  window->book_menu().actions()[1]->trigger();
  EXPECT_EQ(info_calls, 2);
  EXPECT_EQ(reader_calls, 2);
  EXPECT_EQ(window->book_list().row_count(), 0);
}

// 书架 sits in the fixed layout over no other control, and opens one
// bookshelf that leaves the main window usable.
TEST_F(MainWindowTest, BookshelfButtonOpensOneBookshelfBesideTheWindow) {
  auto* button = control<QPushButton>("书架");
  ASSERT_NE(button, nullptr);
  EXPECT_TRUE(window->rect().contains(button->geometry()));
  for (QWidget* other : window->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly)) {
    if (other != button && other->isWindow() == false) {
      EXPECT_FALSE(other->geometry().intersects(button->geometry())) << other->objectName().toStdString();
    }
  }
  window->show();
  QTest::mouseClick(button, Qt::LeftButton);
  auto* shelf = window->findChild<BookshelfWindow*>();
  ASSERT_NE(shelf, nullptr);
  EXPECT_TRUE(shelf->isVisible());
  EXPECT_TRUE(shelf->isWindow());
  EXPECT_EQ(shelf->windowModality(), Qt::NonModal);
  shelf->close();
  QTest::mouseClick(button, Qt::LeftButton);
  EXPECT_EQ(window->findChildren<BookshelfWindow*>().size(), 1);
  EXPECT_TRUE(shelf->isVisible());
  EXPECT_TRUE(window->isEnabled());
}

TEST_F(MainWindowTest, ClosingRunsTheCloseAction) {
  int closes = 0;
  window->set_close_action([&closes] { ++closes; });
  window->show();
  window->close();
  EXPECT_EQ(closes, 1);
}

TEST_F(MainWindowTest, RightClickOnTheListPopsUpTheMenu) {
  window->book_list().append_rows({{"1", "a", "b", "c", "d"}});
  window->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
  bool popped = false;
  QTimer::singleShot(0, [&] {
    QWidget* popup = QApplication::activePopupWidget();
    popped = popup == &window->book_menu();
    if (popup != nullptr) popup->close();
  });
  QWidget* viewport = window->book_list().viewport();
  QTest::mouseClick(viewport, Qt::RightButton, Qt::NoModifier, window->book_list().visualRect(window->book_list().report_model().index(0, 1)).center());
  EXPECT_TRUE(popped);
  EXPECT_EQ(info_calls + reader_calls, 0);
}

// A library file that cannot serve is said at start, in words and without
// blocking; the program goes on without it, and a download says there is none.
TEST_F(MainWindowTest, LibraryThatCannotServeIsSaidAndTheProgramGoesOn) {
  const std::string path = lv::library::default_library_path() + ".notes";
  const struct {
    const char* what;
    std::function<void()> make;
    QString words;
  } cases[] = {
      {"a text file", [&] { std::ofstream(path) << "notes"; }, QStringLiteral("不是 Lorevane 的书库文件")},
      {"a folder", [&] { std::filesystem::create_directories(path); }, QStringLiteral("不是普通文件")},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    std::filesystem::remove_all(path);
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    c.make();
    context.library_path = path;
    QMessageBox* box = check_library_at_start(context, window.get());
    ASSERT_NE(box, nullptr);
    EXPECT_TRUE(box->isVisible());  // shown, and the call came back: nothing waits on it
    EXPECT_TRUE(box->text().contains(QString::fromStdString(path)));
    EXPECT_TRUE(box->text().contains(c.words)) << box->text().toStdString();
    EXPECT_TRUE(context.library_path.empty());
    box->close();

    window->book_list().append_rows({{"1", lv::base::gbk("《书》"), "", "http://" + server_->site_host() + "/b/", ""}});
    window->book_list().select_row(0);
    EXPECT_FALSE(window->download_selected_book());
    EXPECT_EQ(window->findChild<BookDownloadWindow*>(), nullptr);
    auto* said = window->findChild<QMessageBox*>(QStringLiteral("书库问题"));
    ASSERT_NE(said, nullptr);
    said->close();
  }
  std::filesystem::remove_all(path);
  context.library_path = lv::library::default_library_path();
  EXPECT_EQ(check_library_at_start(context, window.get()), nullptr);
  EXPECT_EQ(context.library_path, lv::library::default_library_path());
}

}  // namespace
}  // namespace lv::app
