// The bookshelf over a library filled from the sample site on 127.0.0.1.
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QSortFilterProxyModel>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include <chrono>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>

#include "app/bookshelf/bookshelf_model.h"
#include "app/bookshelf/bookshelf_window.h"
#include "app/bookshelf/update_window.h"
#include "app/widgets/gbk_qstring.h"
#include "library/library.h"
#include "routines/download_book.h"
#include "routines/search_library.h"
#include "sample_site/sample_server.h"

namespace lv::app {
namespace {

constexpr int kWait = 20000;

struct Opened {
  std::string book;
  std::optional<LibraryReaderStart> start;
  QWidget* opener = nullptr;
};

class BookshelfTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    server_ = new lv::site::SampleServer;
    ASSERT_TRUE(server_->start());
    for (int id : server_->site().book_ids()) {
      const int count = server_->site().chapter_count(id);
      if (count >= 12 && count <= 40 && !server_->site().has_prologue(id)) books_.push_back(id);
      if (books_.size() == 3) break;
    }
  }
  static void TearDownTestSuite() {
    delete server_;
    server_ = nullptr;
  }

  void SetUp() override {
    server_->clear_switches();
    path_ = lv::library::default_library_path() + ".shelf";
    std::filesystem::remove(path_);
    context_.site_host = server_->site_host();
    context_.library_path = path_;
    context_.open_library_book = [this](const std::string& book, std::optional<LibraryReaderStart> start, QWidget* opener) {
      opened_.push_back({book, start, opener});
    };
  }

  void TearDown() override {
    window_.reset();
    server_->clear_switches();
    std::filesystem::remove(path_);
  }

  static site::SampleSite& site() { return server_->site(); }
  static std::string address_of(int id) { return "http://" + server_->site_host() + site::SampleSite::book_path(id); }

  void download(int id) {
    lv::library::Library library = lv::library::Library::open(path_);
    lv::routines::BookDownloadOptions options;
    options.retry.first_pause = std::chrono::milliseconds(1);
    lv::routines::download_book(address_of(id), library, options);
  }

  // Opens the window and waits for its rows.
  void open_shelf() {
    window_ = std::make_unique<BookshelfWindow>(context_);
    window_->show();
    ASSERT_TRUE(QTest::qWaitFor([this] { return !window_->loading(); }, kWait));
  }

  // The cells of the row of `book` as the table shows them.
  QStringList cells_of(const std::string& book) const {
    QStringList cells;
    const int source = window_->model().row_of(book);
    if (source < 0) return cells;
    const QModelIndex shown = window_->rows().mapFromSource(window_->model().index(source, 0));
    for (int column = 0; column < BookshelfModel::column_count; ++column) {
      cells << window_->rows().index(shown.row(), column).data().toString();
    }
    return cells;
  }

  // Answers the message box that `act` brings up with `button`; returns what `act` returned.
  template <typename Act>
  bool answering(QMessageBox::StandardButton button, Act act) {
    QTimer::singleShot(0, [button] {
      if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) box->button(button)->click();
    });
    return act();
  }

  static inline lv::site::SampleServer* server_ = nullptr;
  static inline std::vector<int> books_;
  std::string path_;
  AppContext context_;
  std::vector<Opened> opened_;
  std::unique_ptr<BookshelfWindow> window_;
};

// Every book with its counts, the one read last on top; Enter opens the
// reader on the selected book where it was left.
TEST_F(BookshelfTest, ListsTheBooksWithTheirCountsAndEnterReadsOn) {
  ASSERT_EQ(books_.size(), 3u);
  const int gap = books_[1];
  server_->set_failure(site().chapter_path(gap, 4), lv::site::Failure::not_found);
  for (int id : books_) download(id);
  const int read = books_[2];
  const auto chapters = site().chapters(read);
  lv::library::Library::open(path_).save_reading_position(
      address_of(read), {chapters[5].address, 120, static_cast<std::int64_t>(std::time(nullptr))});

  open_shelf();
  ASSERT_EQ(window_->rows().rowCount(), 3);
  EXPECT_EQ(window_->windowTitle(), QStringLiteral("书架"));
  EXPECT_FALSE(window_->isModal());
  const struct {
    int id;
    QString stored, fresh, last_read, gaps;
  } expected[] = {
      {books_[0], QStringLiteral("%1 / %1"), QString::number(site().chapter_count(books_[0])), QStringLiteral("未读"),
       QStringLiteral("无")},
      {gap, QStringLiteral("%1 / %2"), QString::number(site().chapter_count(gap)), QStringLiteral("未读"),
       QStringLiteral("缺 1 章")},
      {read, QStringLiteral("%1 / %1"), QStringLiteral("0"), to_qstring(chapters[5].title), QStringLiteral("无")},
  };
  for (const auto& e : expected) {
    SCOPED_TRACE(e.id);
    const int count = site().chapter_count(e.id);
    const QStringList cells = cells_of(address_of(e.id));
    ASSERT_EQ(cells.size(), BookshelfModel::column_count);
    EXPECT_EQ(cells[BookshelfModel::title], to_qstring(site().book_by_id(e.id).title));
    EXPECT_EQ(cells[BookshelfModel::author], to_qstring(site().book_by_id(e.id).author));
    EXPECT_EQ(cells[BookshelfModel::chapters], e.id == gap ? e.stored.arg(count - 1).arg(count) : e.stored.arg(count));
    EXPECT_EQ(cells[BookshelfModel::fresh], e.fresh);
    EXPECT_EQ(cells[BookshelfModel::last_read], e.last_read);
    EXPECT_EQ(cells[BookshelfModel::gaps], e.gaps);
  }
  // Read last, shown first, and selected.
  EXPECT_EQ(window_->selected_book(), address_of(read));
  EXPECT_EQ(window_->rows().index(0, BookshelfModel::title).data().toString(),
            to_qstring(site().book_by_id(read).title));

  // The filter looks at titles and authors only.
  window_->filter_box().setText(to_qstring(site().book_by_id(books_[0]).author));
  EXPECT_EQ(window_->rows().rowCount(), 1);
  window_->filter_box().clear();

  window_->table().setFocus();
  window_->select_book(address_of(gap));
  QTest::keyClick(&window_->table(), Qt::Key_Return);
  ASSERT_EQ(opened_.size(), 1u);
  EXPECT_EQ(opened_[0].book, address_of(gap));
  EXPECT_FALSE(opened_[0].start.has_value());
  EXPECT_EQ(opened_[0].opener, window_.get());
}

// 检查更新 fetches the chapter the site added since, and the row says so.
TEST_F(BookshelfTest, UpdateBringsTheNewCountsIntoTheRow) {
  const int id = books_[0];
  const int count = site().chapter_count(id);
  const std::string page_path = site::SampleSite::book_path(id);
  std::string page = site().get(page_path, server_->site_host())->body;
  const std::size_t last_link = page.rfind("<dd><a href=\"");
  page.erase(last_link, page.find("</dd>\r\n", last_link) + 7 - last_link);
  server_->set_page(page_path, page);
  download(id);
  server_->clear_switches();  // the site lists the last chapter again

  open_shelf();
  const std::string book = address_of(id);
  ASSERT_EQ(cells_of(book)[BookshelfModel::chapters], QStringLiteral("%1 / %1").arg(count - 1));
  int loads = 0;
  QObject::connect(window_.get(), &BookshelfWindow::books_shown, [&loads] { ++loads; });
  window_->select_book(book);
  ASSERT_TRUE(window_->check_selected_for_updates());
  UpdateWindow* progress = window_->update_window();
  ASSERT_NE(progress, nullptr);
  EXPECT_TRUE(progress->isVisible());
  ASSERT_TRUE(QTest::qWaitFor([&] { return !progress->running() && loads > 0; }, kWait));
  EXPECT_EQ(progress->bar().value(), progress->bar().maximum());
  EXPECT_TRUE(progress->outcome().text().contains(QStringLiteral("新增 1 章"))) << progress->outcome().text().toStdString();
  const QStringList cells = cells_of(book);
  EXPECT_EQ(cells[BookshelfModel::chapters], QStringLiteral("%1 / %1").arg(count));
  EXPECT_EQ(cells[BookshelfModel::fresh], QString::number(count));
  EXPECT_EQ(window_->selected_book(), book);
}

// 删除 asks first: "No" keeps the book; "Yes" takes it from the library and
// its row from the shelf.
TEST_F(BookshelfTest, DeleteAsksFirstThenTheBookAndItsRowGo) {
  download(books_[0]);
  download(books_[1]);
  open_shelf();
  const std::string book = address_of(books_[0]);
  const struct {
    QMessageBox::StandardButton answer;
    bool gone;
  } cases[] = {{QMessageBox::No, false}, {QMessageBox::Yes, true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.gone);
    bool removed = false;
    const auto connection = QObject::connect(window_.get(), &BookshelfWindow::book_removed, [&removed] { removed = true; });
    window_->select_book(book);
    EXPECT_EQ(answering(c.answer, [this] { return window_->delete_selected_book(); }), c.gone);
    if (c.gone) {
      ASSERT_TRUE(QTest::qWaitFor([&removed] { return removed; }, kWait));
    }
    QObject::disconnect(connection);
    EXPECT_EQ(window_->model().row_of(book) < 0, c.gone);
    EXPECT_EQ(window_->model().rowCount(), c.gone ? 1 : 2);
    EXPECT_EQ(lv::library::Library::open(path_).book_details(book).has_value(), !c.gone);
  }
  EXPECT_EQ(window_->selected_book(), address_of(books_[1]));
}

// A search of the whole library lists what the library search finds;
// picking a hit opens the reader at it.
TEST_F(BookshelfTest, SearchListsTheHitsAndOpensTheReaderAtOne) {
  download(books_[0]);
  download(books_[1]);
  const std::string book = address_of(books_[1]);
  // Four characters from the middle of a stored chapter.
  const auto text = lv::library::Library::open(path_).chapter_text(book, site().chapters(books_[1])[6].address);
  ASSERT_TRUE(text.has_value());
  const auto char_length = [&text](std::size_t at) { return static_cast<unsigned char>((*text)[at]) >= 0x81 ? 2u : 1u; };
  std::size_t at = 0;
  for (int chars = 0; chars < 60; ++chars) at += char_length(at);
  std::size_t length = 0;
  for (int chars = 0; chars < 4; ++chars) length += char_length(at + length);
  const lv::base::Text sought = text->substr(at, length);
  std::vector<lv::routines::SearchHit> expected;
  const auto reading = lv::library::Library::open_for_reading(path_);
  lv::routines::search_library(*reading, sought, {}, [&](const lv::routines::SearchHit& hit) {
    expected.push_back(hit);
    return true;
  });
  ASSERT_FALSE(expected.empty());

  open_shelf();
  int found = -1;
  QObject::connect(window_.get(), &BookshelfWindow::search_finished, [&found](int hits) { found = hits; });
  window_->search_box().setText(to_qstring(sought));
  QTest::keyClick(&window_->search_box(), Qt::Key_Return);
  ASSERT_TRUE(QTest::qWaitFor([&found] { return found >= 0; }, kWait));
  EXPECT_EQ(found, static_cast<int>(expected.size()));
  ASSERT_EQ(window_->hits().count(), static_cast<int>(expected.size()));
  EXPECT_TRUE(window_->hits().isVisible());

  const int last = window_->hits().count() - 1;
  window_->hits().setCurrentRow(last);
  QTest::keyClick(&window_->hits(), Qt::Key_Return);
  ASSERT_EQ(opened_.size(), 1u);
  EXPECT_EQ(opened_[0].book, expected.back().book);
  ASSERT_TRUE(opened_[0].start.has_value());
  EXPECT_EQ(opened_[0].start->chapter, expected.back().index);
  EXPECT_EQ(opened_[0].start->text_offset, expected.back().offset);
}

// A file that is no library is said in the windows' words, and nothing can be acted on.
TEST_F(BookshelfTest, LibraryThatCannotServeIsSaid) {
  std::filesystem::create_directories(std::filesystem::path(path_).parent_path());
  std::ofstream(path_) << "notes, not books";
  open_shelf();
  auto* box = window_->findChild<QMessageBox*>(QStringLiteral("书库问题"));
  ASSERT_NE(box, nullptr);
  EXPECT_TRUE(box->text().contains(QStringLiteral("不是 Lorevane 的书库文件"))) << box->text().toStdString();
  EXPECT_EQ(window_->status().text(), box->text());
  EXPECT_EQ(window_->model().rowCount(), 0);
  EXPECT_FALSE(window_->continue_reading());
  box->close();
}

}  // namespace
}  // namespace lv::app
