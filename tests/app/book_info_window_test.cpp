// The book information window against the sample site on 127.0.0.1.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QUrl>
#include <memory>
#include <vector>

#include "app/shell/app_context.h"
#include "app/book_info/book_info_window.h"
#include "app/book_info/synopsis_label.h"
#include "app/widgets/gbk_qstring.h"
#include "app/shell/browser.h"
#include "app/widgets/picture_box.h"
#include "base/code_page.h"
#include "sample_site/sample_server.h"
#include "support/test_support.h"

namespace {

using lv::app::BookInfoWindow;
using lv::app::PictureBox;
using lv::app::to_qstring;
using lv::base::gbk;
using lv::site::CoverKind;
using lv::site::SampleServer;

QString u(const char* utf8) { return QString::fromUtf8(utf8); }

struct Shown {
  QString title;
  std::vector<QString> labels;  // 标签1 .. 标签5
  lv::base::Bytes picture;
  bool operator==(const Shown&) const = default;
};

class BookInfoWindowTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    server_ = new SampleServer();
    ASSERT_TRUE(server_->start());
  }
  static void TearDownTestSuite() {
    server_->stop();
    delete server_;
    server_ = nullptr;
  }

  void SetUp() override {
    server_->clear_switches();
    server_->reset_counts();
    context_.selected_row = [this] { return address_.empty() ? -1 : 0; };
    context_.selected_book_address = [this] { return address_; };
    context_.open_reader = [this] { ++readers_opened_; };
    opened_.clear();
    previous_opener_ = lv::app::set_browser_opener([this](const QUrl& url) {
      opened_.push_back(url);
      return true;
    });
    window_ = std::make_unique<BookInfoWindow>(context_);
    address_ = address_of(site().find_book_with_cover(CoverKind::picture));
  }

  void TearDown() override {
    window_.reset();
    lv::app::set_browser_opener(previous_opener_);
  }

  static lv::site::SampleSite& site() { return server_->site(); }
  static std::string address_of(int book_id) {
    return "http://" + server_->site_host() + lv::site::SampleSite::book_path(book_id);
  }
  lv::base::Bytes cover_of(int book_id) const {
    const auto response = site().get(site().cover_path(book_id), server_->site_host());
    return response ? lv::base::Bytes::from_string(response->body) : lv::base::Bytes();
  }

  template <typename T>
  T* find(const char* name) const {
    T* child = window_->findChild<T*>(u(name));
    EXPECT_NE(child, nullptr) << name;
    return child;
  }
  QLabel* label(int n) const { return find<QLabel>(("标签" + std::to_string(n)).c_str()); }
  PictureBox* cover() const { return find<PictureBox>("图片框1"); }
  QPushButton* button(int n) const { return find<QPushButton>(("按钮" + std::to_string(n)).c_str()); }

  Shown shown() const {
    Shown s;
    s.title = window_->windowTitle();
    for (int n = 1; n <= 5; ++n) s.labels.push_back(label(n)->text());
    s.picture = cover()->picture();
    return s;
  }

  // Presses on a control and returns the text and title of the message box
  // that the press brings up (closing it).
  std::pair<QString, QString> message_after_press(QWidget* target) {
    std::pair<QString, QString> seen;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
      if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
        seen = {box->text(), box->windowTitle()};
        box->done(0);
      }
    });
    poll.start(5);
    QTest::mousePress(target, Qt::LeftButton, {}, QPoint(5, 5));
    QTest::mouseRelease(target, Qt::LeftButton, {}, QPoint(5, 5));
    return seen;
  }

  static inline SampleServer* server_ = nullptr;
  lv::app::AppContext context_;
  std::string address_;
  int readers_opened_ = 0;
  std::vector<QUrl> opened_;
  lv::app::BrowserOpener previous_opener_;
  std::unique_ptr<BookInfoWindow> window_;
};

TEST_F(BookInfoWindowTest, IsBuiltAsDefinedAndStartsHidden) {
  EXPECT_FALSE(window_->isVisible());
  EXPECT_EQ(window_->windowTitle(), u("[正在加载。。。]"));
  EXPECT_EQ(window_->frameGeometry().size(), QSize(380, 236));
  EXPECT_EQ(window_->minimumSize(), window_->maximumSize());  // fixed size
  const Qt::WindowFlags flags = window_->windowFlags();
  EXPECT_TRUE(flags.testFlag(Qt::WindowCloseButtonHint));
  EXPECT_FALSE(flags.testFlag(Qt::WindowMinimizeButtonHint));
  EXPECT_FALSE(flags.testFlag(Qt::WindowMaximizeButtonHint));

  EXPECT_EQ(cover()->geometry(), QRect(8, 16, 112, 144));
  EXPECT_TRUE(cover()->picture().empty());
  const struct {
    int n;
    QRect place;
    const char* caption;
  } labels[] = {{1, {128, 16, 112, 24}, "书名："}, {2, {256, 16, 112, 24}, "作者："},
                {3, {128, 56, 112, 24}, "类别："}, {4, {256, 56, 112, 24}, "状态："},
                {5, {128, 88, 240, 72}, "简介"},   {6, {260, 138, 104, 24}, "点击查看完整信息"}};
  for (const auto& l : labels) {
    EXPECT_EQ(label(l.n)->geometry(), l.place) << l.n;
    EXPECT_EQ(label(l.n)->text(), u(l.caption)) << l.n;
  }
  EXPECT_TRUE(label(5)->wordWrap());
  EXPECT_EQ(label(6)->palette().color(QPalette::WindowText), QColor(Qt::red));
  const char* captions[] = {"阅读本书", "打开主页", "刷新信息", "关闭"};
  for (int n = 1; n <= 4; ++n) {
    EXPECT_EQ(button(n)->geometry(), QRect(13 + 88 * (n - 1), 168, 80, 32)) << n;
    EXPECT_EQ(button(n)->text(), u(captions[n - 1])) << n;
  }
}

TEST_F(BookInfoWindowTest, ShowFillsTheWindowFromTheSelectedBook) {
  const int id = site().find_book_with_cover(CoverKind::picture);
  const auto book = site().book_by_id(id);
  window_->show_book_info();
  EXPECT_TRUE(window_->isVisible());
  EXPECT_EQ(window_->windowTitle(), to_qstring(book.title + gbk(" 信息")));
  EXPECT_EQ(label(1)->text(), to_qstring(gbk("书名：") + book.title));
  EXPECT_EQ(label(2)->text(), to_qstring(gbk("作者：") + book.author));
  EXPECT_TRUE(label(3)->text().startsWith(u("类别：")));
  EXPECT_GT(label(3)->text().size(), 3);
  EXPECT_TRUE(label(4)->text().startsWith(u("状态：")));
  EXPECT_GT(label(4)->text().size(), 3);
  EXPECT_FALSE(label(5)->text().isEmpty());
  EXPECT_FALSE(label(5)->text().contains(u("</b><br />")));
  EXPECT_EQ(cover()->picture(), cover_of(id));
  EXPECT_FALSE(cover()->picture().empty());
  EXPECT_FALSE(cover()->pixmap().isNull());
}

TEST_F(BookInfoWindowTest, LabelsComeBeforeTheCoverAndTheSynopsisAfterIt) {
  const int id = site().find_book_with_cover(CoverKind::picture);
  window_->close();  // everything empty
  server_->set_delay(site().cover_path(id), std::chrono::milliseconds(150));
  // Seen while the cover is on its way: the first moment the title label is set.
  // A zero timer runs at every turn of the event pump, and the cover's
  // download turns it once before its answer can arrive.
  bool seen = false;
  Shown during;
  QTimer poll;
  QObject::connect(&poll, &QTimer::timeout, [&] {
    if (!seen && !label(1)->text().isEmpty()) {
      seen = true;
      during = shown();
    }
  });
  poll.start(0);
  window_->show_book_info();
  poll.stop();
  ASSERT_TRUE(seen);
  EXPECT_NE(during.title, u("[正在加载。。。]"));
  for (int n = 1; n <= 4; ++n) EXPECT_FALSE(during.labels[n - 1].isEmpty()) << n;
  EXPECT_TRUE(during.picture.empty());
  EXPECT_TRUE(during.labels[4].isEmpty());  // the synopsis waits for the cover
  EXPECT_FALSE(label(5)->text().isEmpty());
  EXPECT_FALSE(cover()->picture().empty());
}

TEST_F(BookInfoWindowTest, ShowAndRefreshFillTheWindowIdentically) {
  window_->show_book_info();
  const Shown by_fetch = shown();
  window_->close();
  ASSERT_NE(shown(), by_fetch);
  window_->refresh_book_info();
  EXPECT_EQ(shown(), by_fetch);
  EXPECT_EQ(server_->request_count(lv::site::SampleSite::book_path(
                site().find_book_with_cover(CoverKind::picture))),
            2);
}

TEST_F(BookInfoWindowTest, RefreshButtonLoadsThePageAgain) {
  const std::string path = lv::site::SampleSite::book_path(site().find_book_with_cover(CoverKind::picture));
  server_->reset_counts();
  window_->show_book_info();
  const Shown first = shown();
  QTest::mouseClick(button(3), Qt::LeftButton);
  EXPECT_EQ(server_->request_count(path), 2);
  EXPECT_EQ(shown(), first);
}

TEST_F(BookInfoWindowTest, CloseRequestHidesAndEmptiesButKeepsTheWindow) {
  window_->show_book_info();
  ASSERT_FALSE(cover()->picture().empty());
  QPointer<BookInfoWindow> alive(window_.get());
  EXPECT_FALSE(window_->close());  // refused
  QApplication::processEvents();
  ASSERT_FALSE(alive.isNull());
  EXPECT_FALSE(window_->isVisible());
  EXPECT_EQ(window_->windowTitle(), u("[正在加载。。。]"));
  for (int n = 1; n <= 5; ++n) EXPECT_EQ(label(n)->text(), QString()) << n;
  EXPECT_EQ(label(6)->text(), u("点击查看完整信息"));
  EXPECT_TRUE(cover()->picture().empty());
  EXPECT_TRUE(cover()->pixmap().isNull());
}

TEST_F(BookInfoWindowTest, CloseButtonHidesAndKeepsTheContents) {
  window_->show_book_info();
  const Shown before = shown();
  QTest::mouseClick(button(4), Qt::LeftButton);
  EXPECT_FALSE(window_->isVisible());
  EXPECT_EQ(shown(), before);
}

TEST_F(BookInfoWindowTest, ShowAfterCloseButtonKeepsOldContentsUntilTheNewArrive) {
  window_->show_book_info();
  const Shown first = shown();
  QTest::mouseClick(button(4), Qt::LeftButton);
  // While the next book's page is on its way the window is visible again and
  // still shows the previous book.
  address_ = address_of(site().find_book_with_cover(CoverKind::missing));
  server_->set_delay(lv::site::SampleSite::book_path(site().find_book_with_cover(CoverKind::missing)),
                     std::chrono::milliseconds(200));
  bool checked = false;
  QTimer::singleShot(0, [&] {
    checked = true;
    EXPECT_TRUE(window_->isVisible());
    EXPECT_EQ(shown(), first);
  });
  window_->refresh_book_info();
  EXPECT_TRUE(checked);
  EXPECT_NE(shown().title, first.title);
}

TEST_F(BookInfoWindowTest, UnloadablePageLeavesOnlyThePrefixes) {
  window_->show_book_info();
  server_->set_failure(lv::site::SampleSite::book_path(site().find_book_with_cover(CoverKind::picture)),
                       lv::site::Failure::empty_body);
  window_->refresh_book_info();
  EXPECT_TRUE(window_->isVisible());
  EXPECT_EQ(window_->windowTitle(), u(" 信息"));
  EXPECT_EQ(label(1)->text(), u("书名："));
  EXPECT_EQ(label(2)->text(), u("作者："));
  EXPECT_EQ(label(3)->text(), u("类别："));
  EXPECT_EQ(label(4)->text(), u("状态："));
  EXPECT_EQ(label(5)->text(), QString());
  EXPECT_TRUE(cover()->picture().empty());
}

TEST_F(BookInfoWindowTest, NoSelectedRowLoadsNothingAndFillsThePrefixes) {
  address_.clear();
  server_->reset_counts();
  window_->refresh_book_info();
  EXPECT_EQ(server_->total_requests(), 0);
  EXPECT_EQ(label(1)->text(), u("书名："));
  EXPECT_EQ(window_->windowTitle(), u(" 信息"));
}

TEST_F(BookInfoWindowTest, MissingCoverShowsNoPicture) {
  address_ = address_of(site().find_book_with_cover(CoverKind::missing));
  window_->show_book_info();
  EXPECT_TRUE(cover()->pixmap().isNull());
  EXPECT_FALSE(label(1)->text().isEmpty());
  EXPECT_FALSE(label(5)->text().isEmpty());
}

TEST_F(BookInfoWindowTest, AltTextOtherThanTheNameGivesNoCover) {
  const int id = site().find_book_with_differing_alt();
  ASSERT_NE(id, 0);
  address_ = address_of(id);
  server_->reset_counts();
  window_->show_book_info();
  EXPECT_TRUE(cover()->picture().empty());
  EXPECT_EQ(server_->request_count(site().cover_path(id)), 0);
  EXPECT_EQ(label(1)->text(), to_qstring(gbk("书名：") + site().book_by_id(id).title));
}

TEST_F(BookInfoWindowTest, PressOnSynopsisOrOnItsHintShowsTheWholeSynopsis) {
  window_->show_book_info();
  const QString synopsis = label(5)->text();
  ASSERT_FALSE(synopsis.isEmpty());
  const auto from_synopsis = message_after_press(label(5));
  EXPECT_EQ(from_synopsis.first, synopsis);
  EXPECT_EQ(from_synopsis.second, u("信息："));
  EXPECT_EQ(message_after_press(label(6)), from_synopsis);
}

// What does not fit beside 点击查看完整信息 is left out, and "……" says so;
// the caption stays the whole synopsis.
TEST_F(BookInfoWindowTest, SynopsisEndsWithAnEllipsisWhenWordsAreLeftOut) {
  auto* synopsis = window_->findChild<lv::app::SynopsisLabel*>(u("标签5"));
  ASSERT_NE(synopsis, nullptr);
  QString long_text;
  for (int i = 0; i < 12; ++i) long_text += u("少年江长歌自小灵根残缺受尽白眼");
  const struct {
    const char* what;
    QString text;
    bool cut;
  } cases[] = {
      {"short", u("少年江长歌自小灵根残缺"), false},
      {"one long paragraph", long_text, true},
      {"many short lines", u("一\r\n二\r\n三\r\n四\r\n五\r\n六\r\n七"), true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    synopsis->setText(c.text);
    EXPECT_EQ(synopsis->text(), c.text);
    QString shown = synopsis->shown_text();
    EXPECT_EQ(shown.endsWith(u("……")), c.cut) << shown.toStdString();
    if (c.cut) shown.chop(2);
    shown.remove(QLatin1Char('\n'));
    QString whole = c.text;
    whole.remove(QLatin1Char('\r')).remove(QLatin1Char('\n'));
    EXPECT_TRUE(c.cut ? whole.startsWith(shown) && shown.size() < whole.size() : whole == shown) << shown.toStdString();
  }
}

TEST_F(BookInfoWindowTest, ReadThisBookHidesThenOpensTheReader) {
  window_->show_book_info();
  const Shown before = shown();
  bool hidden_when_reader_opened = false;
  context_.open_reader = [&] {
    ++readers_opened_;
    hidden_when_reader_opened = !window_->isVisible();
  };
  QTest::mouseClick(button(1), Qt::LeftButton);
  EXPECT_EQ(readers_opened_, 1);
  EXPECT_TRUE(hidden_when_reader_opened);
  EXPECT_FALSE(window_->isVisible());
  EXPECT_EQ(shown(), before);
}

TEST_F(BookInfoWindowTest, OpenHomePageHandsOnlyWebAddressesOfTheSelectedRow) {
  QTest::mouseClick(button(2), Qt::LeftButton);
  ASSERT_EQ(opened_.size(), 1u);
  EXPECT_EQ(opened_[0].toString(), QString::fromStdString(address_));

  address_.clear();  // no selected row
  QTest::mouseClick(button(2), Qt::LeftButton);
  address_ = "file:///etc/passwd";
  QTest::mouseClick(button(2), Qt::LeftButton);
  address_ = "calc.exe";
  QTest::mouseClick(button(2), Qt::LeftButton);
  EXPECT_EQ(opened_.size(), 1u);
}

TEST_F(BookInfoWindowTest, NestedCallsFinishWithTheOuterCallsValues) {
  const int first = site().find_book_with_cover(CoverKind::picture);
  const int second = site().find_book_with_cover(CoverKind::placeholder);
  ASSERT_NE(first, second);
  address_ = address_of(second);
  window_->show_book_info();
  const Shown second_alone = shown();
  address_ = address_of(first);
  window_->show_book_info();
  const Shown first_alone = shown();
  ASSERT_NE(first_alone, second_alone);

  // The outer call waits on the first book's page; meanwhile a second click
  // loads the other book, and the outer call, finishing last, wins.
  window_->close();
  server_->set_delay(lv::site::SampleSite::book_path(first), std::chrono::milliseconds(150));
  bool inner_done = false;
  QTimer::singleShot(0, [&] {
    address_ = address_of(second);
    window_->show_book_info();
    inner_done = true;
    EXPECT_EQ(shown(), second_alone);
  });
  window_->refresh_book_info();
  EXPECT_TRUE(inner_done);
  EXPECT_EQ(shown(), first_alone);
}

TEST_F(BookInfoWindowTest, WindowGoneDuringTheWaitIsLeftAlone) {
  server_->set_delay(lv::site::SampleSite::book_path(site().find_book_with_cover(CoverKind::picture)),
                     std::chrono::milliseconds(100));
  auto* window = window_.release();
  QTimer::singleShot(0, [window] { delete window; });
  window->refresh_book_info();  // returns without touching the deleted window
  SUCCEED();
}

}  // namespace
