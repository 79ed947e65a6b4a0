// The reader against the sample site on 127.0.0.1.
#include "app/reader/reader_window.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QColorDialog>
#include <QFile>
#include <QFontDatabase>
#include <QGroupBox>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QSettings>
#include <QStyle>
#include <QStyleOption>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <memory>
#include <tuple>
#include <utility>
#include <vector>

#include "app/shell/app_context.h"
#include "app/widgets/gbk_qstring.h"
#include "app/reader/reader_appearance.h"
#include "app/reader/reader_colour_panel.h"
#include "app/reader/reader_font_dialog.h"
#include "app/reader/reader_settings.h"
#include "app/widgets/clipboard.h"
#include "app/widgets/edit_box.h"
#include "app/widgets/list_box.h"
#include "app/widgets/status_bar.h"
#include "base/code_page.h"
#include "library/library.h"
#include "net/raw_server.h"
#include "routines/chapter.h"
#include "sample_site/sample_server.h"
#include "scrape/character_references.h"
#include "support/test_support.h"

namespace {

using lv::app::ReaderWindow;
using lv::base::gbk;
using lv::base::Text;
using lv::site::SampleServer;
using lv::site::SampleSite;
using namespace std::chrono_literals;

QString u(const char* utf8) { return QString::fromUtf8(utf8); }

constexpr int kWait = 10000;

class ReaderWindowTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    server_ = new SampleServer();
    ASSERT_TRUE(server_->start());
    // A book whose links all name numbered chapters, of a modest length.
    for (int id : site().book_ids()) {
      const auto links = site().chapters(id);
      if (links.size() < 8 || links.size() > 400) continue;
      bool numbered = true;
      for (const auto& link : links) numbered = numbered && link.title.rfind(gbk("第"), 0) == 0;
      if (numbered) {
        book_ = id;
        break;
      }
    }
    ASSERT_NE(book_, 0);
  }
  static void TearDownTestSuite() {
    server_->stop();
    delete server_;
    server_ = nullptr;
  }

  void SetUp() override {
    server_->clear_switches();
    server_->reset_counts();
    address_ = address_of(book_);
    context_.state = &state_;
    context_.selected_row = [] { return 0; };
    context_.selected_book_address = [this] { return address_; };
    context_.raise_book_info = [this] { ++raised_; };
  }

  std::unique_ptr<ReaderWindow> make_reader() { return std::make_unique<ReaderWindow>(context_); }

  static SampleSite& site() { return server_->site(); }
  static std::string address_of(int book_id) {
    return "http://" + server_->site_host() + SampleSite::book_path(book_id);
  }
  static std::string chapter_path(int book_id, int index) {
    return SampleSite::book_path(book_id) + site().chapters(book_id)[static_cast<std::size_t>(index)].address;
  }

  // Opens a reader and waits for its whole chapter list.
  std::unique_ptr<ReaderWindow> open_loaded() {
    auto reader = make_reader();
    reader->show();
    const int expected = static_cast<int>(site().chapters(book_).size());
    EXPECT_TRUE(QTest::qWaitFor([&] { return reader->chapter_list()->count() == expected; }, kWait));
    return reader;
  }

  // What the reader must show for chapter `index` of the test book, as the
  // editor holds it (every line break one LF).
  QString expected_content(int index) const {
    const auto link = site().chapters(book_)[static_cast<std::size_t>(index)];
    return lv::app::to_editor_text(
        lv::routines::chapter_view_content(lv::scrape::decode_character_references(link.title),
                                           lv::routines::load_chapter_text(address_, link.address)));
  }

  void pick(ReaderWindow& reader, int index) {
    lv::app::ListBox* list = reader.chapter_list();
    const QRect place = list->visualItemRect(list->item(index));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, place.center());
  }

  static QString shown(const ReaderWindow& reader) { return reader.text_view()->toPlainText(); }

  // The chapter group box and the text view reach from the menu bar down to
  // the status bar; the list fills its group box below the caption, inside
  // the frame.
  static void expect_columns_fill(const ReaderWindow& reader) {
    const auto in_window = [&](const QWidget* unit) { return QRect(unit->mapTo(&reader, QPoint(0, 0)), unit->size()); };
    const QRect group = in_window(reader.chapter_group());
    const QRect list = in_window(reader.chapter_list());
    const QRect text = in_window(reader.text_view());
    const int menu_bottom = reader.menu_bar()->geometry().bottom();
    const int status_top = reader.status_bar()->geometry().top();
    EXPECT_EQ(group.top(), menu_bottom + 1);
    EXPECT_EQ(text.top(), menu_bottom + 1);
    EXPECT_EQ(group.bottom(), status_top - 1);
    EXPECT_EQ(text.bottom(), status_top - 1);
    constexpr int kFrameRoom = 10;
    EXPECT_LE(list.bottom(), group.bottom());
    EXPECT_GE(list.bottom(), group.bottom() - kFrameRoom);

    QStyleOptionGroupBox option;
    option.initFrom(reader.chapter_group());
    option.text = reader.chapter_group()->title();
    option.textAlignment = reader.chapter_group()->alignment();
    option.lineWidth = 1;
    option.subControls = QStyle::SC_GroupBoxFrame | QStyle::SC_GroupBoxLabel;
    const QRect caption = reader.chapter_group()->style()->subControlRect(QStyle::CC_GroupBox, &option,
                                                                          QStyle::SC_GroupBoxLabel, reader.chapter_group());
    EXPECT_FALSE(caption.isEmpty());
    EXPECT_LE(caption.right(), group.width() - 1);
    EXPECT_GT(list.top() - group.top(), caption.bottom());
  }

  static inline SampleServer* server_ = nullptr;
  static inline int book_ = 0;
  lv::routines::SharedState state_;
  lv::app::AppContext context_;
  std::string address_;
  int raised_ = 0;
};

TEST_F(ReaderWindowTest, IsBuiltAsDefined) {
  const auto owned = make_reader();
  ReaderWindow& reader = *owned;
  EXPECT_EQ(reader.size(), QSize(800, 600));
  const Qt::WindowFlags flags = reader.windowFlags();
  EXPECT_TRUE(flags.testFlag(Qt::WindowMinimizeButtonHint));
  EXPECT_TRUE(flags.testFlag(Qt::WindowMaximizeButtonHint));
  EXPECT_TRUE(flags.testFlag(Qt::WindowCloseButtonHint));
  for (const char* name : {"分组框1", "分组框2", "分组框3"}) EXPECT_NE(reader.findChild<QGroupBox*>(u(name)), nullptr);
  for (const char* name : {"列表框1", "列表框2"}) EXPECT_NE(reader.findChild<lv::app::ListBox*>(u(name)), nullptr);
  for (const char* name : {"颜色选择器1", "颜色选择器2"}) {
    EXPECT_NE(reader.findChild<lv::app::ColourPicker*>(u(name)), nullptr);
  }
  EXPECT_NE(reader.findChild<QPlainTextEdit*>(u("编辑框1")), nullptr);
  EXPECT_NE(reader.findChild<lv::app::PartStatusBar*>(u("状态条1")), nullptr);
  EXPECT_NE(reader.findChild<QTimer*>(u("时钟1")), nullptr);
  EXPECT_NE(reader.findChild<lv::app::FontColourDialog*>(u("通用对话框3")), nullptr);
  EXPECT_EQ(reader.chapter_group()->title(), u("章节列表"));
  EXPECT_TRUE(reader.address_list()->isHidden());
  EXPECT_TRUE(reader.text_colour_panel()->isHidden());
  EXPECT_TRUE(reader.background_colour_panel()->isHidden());
  EXPECT_EQ(reader.text_colour_panel()->geometry(), QRect(280, 224, 224, 80));
  EXPECT_EQ(reader.chapter_list()->pos(), QPoint(4, 11));

  const QFont font = reader.text_view()->font();
  EXPECT_EQ(font.pixelSize(), 48);
  EXPECT_EQ(font.weight(), QFont::Normal);
  EXPECT_EQ(lv::app::background_colour(*reader.text_view()), QColor(Qt::white));
  EXPECT_EQ(lv::app::text_colour(*reader.text_view()), QColor(Qt::black));
}

TEST_F(ReaderWindowTest, MenusAsDefinedWithOnlyTheBarShortcutsActive) {
  const auto owned = make_reader();
  ReaderWindow& reader = *owned;
  const QList<QAction*> top = reader.menu_bar()->actions();
  ASSERT_EQ(top.size(), 3);
  EXPECT_EQ(top[0]->text(), u("编辑"));
  EXPECT_EQ(top[1]->text(), u("关于"));
  EXPECT_EQ(top[2]->text(), u("s"));
  const QList<QAction*> edit = top[0]->menu()->actions();
  ASSERT_EQ(edit.size(), 6);
  EXPECT_EQ(edit[0]->shortcut(), QKeySequence(Qt::Key_F1));
  EXPECT_EQ(edit[1]->shortcut(), QKeySequence(Qt::Key_F2));
  EXPECT_EQ(edit[2]->shortcut(), QKeySequence(Qt::Key_F3));
  EXPECT_EQ(edit[3]->text(), u("读取设置"));
  EXPECT_EQ(edit[4]->text(), u("繁體/简体"));
  EXPECT_EQ(edit[5]->text(), u("查找"));
  const QList<QAction*> title = top[2]->menu()->actions();
  ASSERT_EQ(title.size(), 1);
  EXPECT_EQ(title[0]->text(), u("dasf"));
  EXPECT_FALSE(title[0]->isVisible());

  QStringList captions;
  for (QAction* action : reader.text_menu()->actions()) {
    captions << (action->isSeparator() ? u("-") : action->text());
    EXPECT_TRUE(action->shortcut().isEmpty());
  }
  EXPECT_EQ(captions, (QStringList{u("上一章 ←键"), u("下一章 →键"), u("-"), u("剪切\tCtrl+X"), u("复制\tCtrl+C"),
                                   u("粘贴\tCtrl+V"), u("删除\tDel")}));
  QStringList list_captions;
  for (QAction* action : reader.list_menu()->actions()) list_captions << action->text();
  EXPECT_EQ(list_captions, (QStringList{u("阅读"), u("复制名称")}));

  top[1]->menu()->actions()[0]->trigger();
  EXPECT_EQ(raised_, 1);
}

TEST_F(ReaderWindowTest, ChapterListFillsWithTitlesAndAddressesInPageOrder) {
  state_.set_current_book_title("old");
  auto reader = open_loaded();
  const auto links = site().chapters(book_);
  for (int i = 0; i < static_cast<int>(links.size()); ++i) {
    EXPECT_EQ(reader->chapter_list()->item_text(i),
              lv::scrape::decode_character_references(links[static_cast<std::size_t>(i)].title));
    EXPECT_EQ(reader->address_list()->item_text(i), links[static_cast<std::size_t>(i)].address);
  }
  EXPECT_EQ(reader->address_list()->count(), reader->chapter_list()->count());
  EXPECT_EQ(state_.current_book_title(), site().book_by_id(book_).title);
  // The clock writes the title menu caption over the title the load set.
  EXPECT_TRUE(QTest::qWaitFor([&] { return reader->windowTitle() == u("s   -PagewickV1.0.2.0"); }, kWait));
  EXPECT_EQ(reader->chapter_list()->selection(), -1);
}

TEST_F(ReaderWindowTest, PrologueNoteAndAfterwordAreChaptersUnderTheirOwnTitles) {
  const int book = site().find_book_with_every_unnumbered_kind();
  ASSERT_NE(book, 0);
  address_ = address_of(book);
  const auto links = site().chapters(book);
  const auto owned = make_reader();
  ReaderWindow& reader = *owned;
  reader.show();
  ASSERT_TRUE(QTest::qWaitFor([&] { return reader.chapter_list()->count() == static_cast<int>(links.size()); }, kWait));
  int unnumbered = 0;
  for (std::size_t i = 0; i < links.size(); ++i) {
    const Text title = lv::scrape::decode_character_references(links[i].title);
    EXPECT_EQ(reader.chapter_list()->item_text(static_cast<int>(i)), title);
    EXPECT_EQ(reader.address_list()->item_text(static_cast<int>(i)), links[i].address);
    if (title.starts_with(gbk("第"))) continue;
    ++unnumbered;
    pick(reader, static_cast<int>(i));
    EXPECT_EQ(shown(reader), lv::app::to_editor_text(lv::routines::chapter_view_content(
                                 title, lv::routines::load_chapter_text(address_, links[i].address))))
        << i;
  }
  EXPECT_GE(unnumbered, 3);
}

TEST_F(ReaderWindowTest, StatusTextIsOneOfThreeAndTheClockRuns) {
  const auto owned = make_reader();
  ReaderWindow& reader = *owned;
  const Text status = reader.status_bar()->part_text(0);
  EXPECT_TRUE(status == gbk("状态：良好") || status == gbk("状态：一般") || status == gbk("状态：较差")) << status;
  EXPECT_EQ(reader.status_bar()->part_text(3).rfind(gbk("现行时间："), 0), 0u);
  EXPECT_EQ(reader.windowTitle(), u("s   -PagewickV1.0.2.0"));
  reader.status_bar()->set_part_text(3, "x");
  EXPECT_TRUE(QTest::qWaitFor([&] { return reader.status_bar()->part_text(3) != "x"; }, kWait));
  EXPECT_EQ(reader.status_bar()->part_text(0), status);
}

TEST_F(ReaderWindowTest, PickingAChapterShowsItsTextTitleAndCaption) {
  auto reader = open_loaded();
  pick(*reader, 3);
  EXPECT_EQ(reader->chapter_list()->selection(), 3);
  EXPECT_EQ(reader->address_list()->selection(), 3);
  const Text title = lv::scrape::decode_character_references(site().chapters(book_)[3].title);
  EXPECT_EQ(shown(*reader), expected_content(3));
  // Title, CR LF CR LF, then the text with the LF that follows its marker.
  EXPECT_TRUE(shown(*reader).startsWith(lv::app::to_qstring(title) + u("\n\n\n")));
  const Text caption = site().book_by_id(book_).title + "  " + title;
  EXPECT_EQ(reader->title_caption(), caption);
  EXPECT_EQ(reader->title_menu()->title(), lv::app::to_qstring(caption));
  EXPECT_TRUE(QTest::qWaitFor(
      [&] { return reader->windowTitle() == lv::app::to_qstring(caption + "   -PagewickV1.0.2.0"); }, kWait));

  // The same chapter again is downloaded again.
  const int before = server_->request_count(chapter_path(book_, 3));
  reader->show_chapter();
  EXPECT_EQ(server_->request_count(chapter_path(book_, 3)), before + 1);
}

TEST_F(ReaderWindowTest, ArrowKeysInTheChapterListStepOneChapter) {
  auto reader = open_loaded();
  pick(*reader, 3);
  reader->chapter_list()->setFocus();
  QTest::keyClick(reader->chapter_list(), Qt::Key_Right);
  EXPECT_EQ(reader->chapter_list()->selection(), 4);
  EXPECT_EQ(shown(*reader), expected_content(4));
  EXPECT_EQ(server_->request_count(chapter_path(book_, 5)), 0);
  QTest::keyClick(reader->chapter_list(), Qt::Key_Left);
  QTest::keyClick(reader->chapter_list(), Qt::Key_Left);
  EXPECT_EQ(reader->chapter_list()->selection(), 2);
  EXPECT_EQ(shown(*reader), expected_content(2));
  EXPECT_EQ(server_->request_count(chapter_path(book_, 1)), 0);
}

TEST_F(ReaderWindowTest, ArrowKeysInTheTextViewStepAndMoveTheCaret) {
  auto reader = open_loaded();
  pick(*reader, 5);
  QTest::keyClick(reader->text_view(), Qt::Key_Right);
  EXPECT_EQ(reader->chapter_list()->selection(), 6);
  EXPECT_EQ(shown(*reader), expected_content(6));
  // The new content puts the caret at the start; the key then moves it on.
  EXPECT_EQ(reader->text_view()->textCursor().position(), 1);
  QTest::keyClick(reader->text_view(), Qt::Key_Left);
  EXPECT_EQ(reader->chapter_list()->selection(), 5);
  EXPECT_EQ(shown(*reader), expected_content(5));
}

TEST_F(ReaderWindowTest, ReadsTheWholeBookFromFirstToLastWithTheRightKey) {
  auto reader = open_loaded();
  const int count = reader->chapter_list()->count();
  pick(*reader, 0);
  ASSERT_EQ(shown(*reader), expected_content(0));
  for (int i = 1; i < count; ++i) {
    QTest::keyClick(reader->text_view(), Qt::Key_Right);
    ASSERT_EQ(reader->chapter_list()->selection(), i);
    ASSERT_EQ(shown(*reader), expected_content(i)) << "chapter " << i;
  }
  // Every chapter page was asked for once by the reader and once by the test.
  for (int i = 0; i < count; ++i) EXPECT_EQ(server_->request_count(chapter_path(book_, i)), 2) << i;
}

TEST_F(ReaderWindowTest, SteppingPastEitherEnd) {
  auto reader = open_loaded();
  const int last = reader->chapter_list()->count() - 1;
  pick(*reader, last);
  const int before = server_->request_count(chapter_path(book_, last));
  reader->next_chapter();  // stays on the last chapter and shows it again
  EXPECT_EQ(reader->chapter_list()->selection(), last);
  EXPECT_EQ(server_->request_count(chapter_path(book_, last)), before + 1);
  EXPECT_EQ(shown(*reader), expected_content(last));

  pick(*reader, 0);
  const int book_page_before = server_->request_count(SampleSite::book_path(book_));
  reader->previous_chapter();  // no chapter: the request goes to the book page
  EXPECT_EQ(reader->chapter_list()->selection(), -1);
  EXPECT_EQ(reader->address_list()->selection(), -1);
  EXPECT_EQ(server_->request_count(SampleSite::book_path(book_)), book_page_before + 1);
  EXPECT_EQ(shown(*reader), u("\n\n"));
  EXPECT_EQ(reader->title_caption(), site().book_by_id(book_).title + "  ");
}

// The widths follow the size rule; the heights fill the client area between
// the menu bar and the status bar rather than taking H - 80 and H - 88 of the
// whole window, which left an empty band above the status bar.
TEST_F(ReaderWindowTest, SizeRuleAtEightHundredBySixHundred) {
  const auto owned = make_reader();
  ReaderWindow& reader = *owned;
  reader.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&reader));
  EXPECT_EQ(reader.size(), QSize(800, 600));
  EXPECT_EQ(reader.chapter_group()->width(), 120);
  EXPECT_EQ(reader.chapter_group()->pos(), QPoint(0, 0));
  EXPECT_EQ(reader.chapter_list()->width(), 110);
  EXPECT_EQ(reader.text_view()->x(), 125);
  EXPECT_EQ(reader.text_view()->width(), 660);
  expect_columns_fill(reader);
  for (int part = 0; part < 3; ++part) EXPECT_EQ(reader.status_bar()->part_width(part), 160);
  EXPECT_EQ(reader.status_bar()->part_width(3), -1);

  reader.resize(1600, 1000);
  ASSERT_TRUE(QTest::qWaitFor([&] { return reader.chapter_group()->width() == 240; }, kWait));
  expect_columns_fill(reader);
}

TEST_F(ReaderWindowTest, BelowTheSmallestSizeBothDimensionsReturn) {
  const auto owned = make_reader();
  ReaderWindow& reader = *owned;
  reader.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&reader));
  for (const QSize& small : {QSize(650, 800), QSize(900, 599), QSize(699, 599)}) {
    reader.resize(small);
    ASSERT_TRUE(QTest::qWaitFor([&] { return reader.size() == QSize(700, 600); }, kWait)) << small.width();
    EXPECT_TRUE(QTest::qWaitFor([&] { return reader.chapter_group()->width() == 105; }, kWait));
    EXPECT_EQ(reader.chapter_list()->width(), 95);
    EXPECT_EQ(reader.text_view()->x(), 110);
    EXPECT_EQ(reader.text_view()->width(), 575);
    expect_columns_fill(reader);
    EXPECT_EQ(reader.status_bar()->part_width(0), 140);
    reader.resize(800, 600);
    ASSERT_TRUE(QTest::qWaitFor([&] { return reader.size() == QSize(800, 600); }, kWait));
  }
}

TEST_F(ReaderWindowTest, PasteAddsAtTheEndAndCopyNameTakesTheTitle) {
  auto reader = open_loaded();
  lv::app::set_edit_content(*reader->text_view(), "abc");
  QTextCursor cursor = reader->text_view()->textCursor();
  cursor.setPosition(1);
  cursor.setPosition(2, QTextCursor::KeepAnchor);
  reader->text_view()->setTextCursor(cursor);
  lv::app::copy_to_clipboard(gbk("粘贴"));
  reader->paste();
  EXPECT_EQ(shown(*reader), u("abc粘贴"));  // the selection stays, the caret goes to the end

  pick(*reader, 2);
  reader->copy_chapter_title();
  EXPECT_EQ(lv::app::read_clipboard_text(), lv::scrape::decode_character_references(site().chapters(book_)[2].title));
  reader->chapter_list()->set_selection(-1);
  reader->copy_chapter_title();
  EXPECT_EQ(lv::app::read_clipboard_text(), "");
}

TEST_F(ReaderWindowTest, CutCopyAndDeleteWorkOnTheSelection) {
  const auto owned = make_reader();
  ReaderWindow& reader = *owned;
  reader.show();
  reader.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&reader));
  lv::app::set_edit_content(*reader.text_view(), "hello world");
  QTextCursor cursor = reader.text_view()->textCursor();
  cursor.setPosition(0);
  cursor.setPosition(6, QTextCursor::KeepAnchor);
  reader.text_view()->setTextCursor(cursor);
  reader.copy();
  EXPECT_EQ(lv::app::read_clipboard_text(), "hello ");
  reader.cut();
  EXPECT_EQ(lv::app::read_clipboard_text(), "hello ");
  EXPECT_EQ(shown(reader), u("world"));
  cursor = reader.text_view()->textCursor();
  cursor.setPosition(3);
  reader.text_view()->setTextCursor(cursor);
  reader.remove();  // nothing selected: the character before the caret
  EXPECT_EQ(shown(reader), u("wold"));
}

TEST_F(ReaderWindowTest, BarShortcutsActAndEditKeysKeepTheirOwnMeaning) {
  const auto owned = make_reader();
  ReaderWindow& reader = *owned;
  reader.show();
  reader.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&reader));
  QTest::keyClick(reader.text_view(), Qt::Key_F2);
  EXPECT_TRUE(reader.text_colour_panel()->isVisible());
  QTest::keyClick(reader.text_view(), Qt::Key_F3);
  EXPECT_TRUE(reader.background_colour_panel()->isVisible());

  // Ctrl+V pastes at the caret, unlike the menu item.
  lv::app::set_edit_content(*reader.text_view(), "abc");
  QTextCursor cursor = reader.text_view()->textCursor();
  cursor.setPosition(1);
  reader.text_view()->setTextCursor(cursor);
  reader.text_view()->setFocus();
  lv::app::copy_to_clipboard("X");
  QTest::keyClick(reader.text_view(), Qt::Key_V, Qt::ControlModifier);
  EXPECT_EQ(shown(reader), u("aXbc"));
}

TEST_F(ReaderWindowTest, RightButtonOpensThePopUpMenusWithoutPicking) {
  auto reader = open_loaded();
  pick(*reader, 1);
  const auto popup_after_press = [&](QWidget* viewport, QPoint at) {
    QMenu* seen = nullptr;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
      if (auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())) {
        seen = menu;
        menu->close();
      }
    });
    poll.start(5);
    QTest::mousePress(viewport, Qt::RightButton, {}, at);
    QTest::mouseRelease(viewport, Qt::RightButton, {}, at);
    return seen;
  };
  lv::app::ListBox* list = reader->chapter_list();
  EXPECT_EQ(popup_after_press(list->viewport(), list->visualItemRect(list->item(4)).center()), reader->list_menu());
  EXPECT_EQ(list->selection(), 1);  // the right button picks nothing
  EXPECT_EQ(popup_after_press(reader->text_view()->viewport(), QPoint(20, 20)), reader->text_menu());
}

TEST_F(ReaderWindowTest, ColourPanelsSetTheColoursThenHide) {
  const auto owned = make_reader();
  ReaderWindow& reader = *owned;
  reader.show();
  reader.show_text_colour_panel();
  reader.show_background_colour_panel();
  EXPECT_TRUE(reader.text_colour_panel()->isVisible());
  EXPECT_TRUE(reader.background_colour_panel()->isVisible());  // both at once

  reader.text_colour_panel()->picker()->pick(QColor(200, 10, 20));
  EXPECT_EQ(lv::app::text_colour(*reader.text_view()), QColor(200, 10, 20));
  EXPECT_FALSE(reader.text_colour_panel()->isVisible());
  EXPECT_TRUE(reader.background_colour_panel()->isVisible());
  reader.background_colour_panel()->picker()->pick(QColor(250, 240, 200));
  EXPECT_EQ(lv::app::background_colour(*reader.text_view()), QColor(250, 240, 200));
  EXPECT_FALSE(reader.background_colour_panel()->isVisible());
}

TEST_F(ReaderWindowTest, FontDialogSetsFontAndColourAndKeepsItsChoice) {
  const auto owned = make_reader();
  ReaderWindow& reader = *owned;
  lv::app::set_text_colour(*reader.text_view(), QColor(1, 2, 3));
  lv::app::FontColourDialog* dialog = reader.font_dialog();
  // A face that has a bold style, so the dialog keeps the weight.
  QString face = reader.text_view()->font().family();
  for (const QString& family : QFontDatabase::families()) {
    if (QFontDatabase::styles(family).contains(u("Bold")) && lv::app::to_gbk(family).size() <= 31) {
      face = family;
      break;
    }
  }
  QFont chosen(face);
  chosen.setPointSize(20);
  chosen.setBold(true);
  chosen.setUnderline(true);
  QTimer::singleShot(0, dialog, [&] {
    dialog->set_current_font(chosen);
    dialog->set_current_colour(QColor(0, 0, 255));
    dialog->accept();
  });
  reader.choose_font();
  QFont font = reader.text_view()->font();
  EXPECT_EQ(font.pointSize(), 20);
  EXPECT_EQ(font.weight(), QFont::Weight(700));
  EXPECT_TRUE(font.underline());
  EXPECT_FALSE(font.strikeOut());
  EXPECT_EQ(lv::app::text_colour(*reader.text_view()), QColor(0, 0, 255));  // replaces the earlier colour

  // Cancelled: nothing changes, and the next opening offers the last choice.
  lv::app::FontChoice offered;
  QTimer::singleShot(0, dialog, [&] {
    offered = dialog->current();
    dialog->set_current_colour(QColor(255, 0, 0));
    dialog->reject();
  });
  reader.choose_font();
  EXPECT_EQ(lv::app::text_colour(*reader.text_view()), QColor(0, 0, 255));
  EXPECT_EQ(reader.text_view()->font().pointSize(), 20);
  EXPECT_EQ(offered.colour, QColor(0, 0, 255));
  EXPECT_EQ(offered.font.pointSize(), 20);
  EXPECT_EQ(dialog->current().colour, QColor(0, 0, 255));
}

TEST_F(ReaderWindowTest, FontRecordFallsBackForFacesItCannotHold) {
  QFont empty_face{QString()};
  empty_face.setPointSize(12);
  EXPECT_EQ(lv::app::reader_font_from_choice(empty_face).family(), u("宋体"));
  QFont long_face(u("An Exceedingly Long Face Name Here"));  // 34 bytes
  EXPECT_EQ(lv::app::reader_font_from_choice(long_face).family(), u("宋体"));
  QFont fits(u("WenQuanYi Micro Hei"));
  fits.setPointSize(14);
  fits.setItalic(true);
  fits.setStrikeOut(true);
  const QFont set = lv::app::reader_font_from_choice(fits);
  EXPECT_EQ(set.family(), u("WenQuanYi Micro Hei"));
  EXPECT_EQ(set.pointSize(), 14);
  EXPECT_TRUE(set.italic());
  EXPECT_TRUE(set.strikeOut());
  EXPECT_EQ(set.weight(), QFont::Normal);
}

TEST_F(ReaderWindowTest, ClosedDuringAChapterDownloadDropsTheWrites) {
  auto reader = open_loaded();
  reader->chapter_list()->set_selection(4);
  server_->set_delay(chapter_path(book_, 4), 400ms);
  // Runs at the download's first turn of the event pump, which comes before
  // the download can end.
  QTimer::singleShot(0, reader.get(), [&] { reader->close(); });
  reader->show_chapter();  // the close ends the download at once
  EXPECT_LE(server_->request_count(chapter_path(book_, 4)), 1);
  EXPECT_EQ(shown(*reader), QString());
  EXPECT_EQ(reader->title_caption(), "s");
}

TEST_F(ReaderWindowTest, DestroyedDuringAChapterDownloadEndsQuietly) {
  auto* reader = open_loaded().release();
  QPointer<ReaderWindow> alive(reader);
  reader->chapter_list()->set_selection(4);
  server_->set_delay(chapter_path(book_, 4), 400ms);
  QTimer::singleShot(0, qApp, [reader] { delete reader; });  // at the download's first pump
  reader->show_chapter();
  EXPECT_TRUE(alive.isNull());
  EXPECT_LE(server_->request_count(chapter_path(book_, 4)), 1);
}

// The threads of this process, as the system lists them, but for the
// toolkit's own pool, which starts threads of its own on the first window.
int thread_count() {
  int count = 0;
  for (const auto& task : std::filesystem::directory_iterator("/proc/self/task")) {
    std::string name;
    std::getline(std::ifstream(task.path() / "comm"), name);
    count += name == "Thread (pooled)" ? 0 : 1;
  }
  return count;
}

// Closing stops the reader's work at once: the stalled book page's transfer
// ends, its connection closes, and no thread of the reader is left.
TEST_F(ReaderWindowTest, ClosedWhileTheListPageStallsEndsItsWorkAtOnce) {
  // The first round lets the toolkit start what it starts on a first window.
  for (int round = 0; round < 4; ++round) {
    state_.set_current_book_title("old");
    std::atomic<bool> connection_closed{false};
    lv::test::RawServer held([&](const std::string&, lv::test::RawConnection& c) {
      connection_closed = c.peer_closed(60'000);  // the page never comes
    });
    address_ = held.url(SampleSite::book_path(book_));
    const int threads_before = thread_count();
    auto reader = make_reader();
    reader->show();
    ASSERT_TRUE(QTest::qWaitFor([&] { return held.request_count() == 1; }, kWait));
    reader->close();
    reader.reset();  // joins the reader's work
    EXPECT_TRUE(QTest::qWaitFor([&] { return connection_closed.load(); }, 1000));
    // The server's thread for the connection ends once it has seen the close.
    if (round > 0) {
      EXPECT_TRUE(QTest::qWaitFor([&] { return thread_count() <= threads_before; }, 1000));
    }
    EXPECT_EQ(state_.current_book_title(), "old");  // stopped before it
  }
}

TEST_F(ReaderWindowTest, DestroyedWhileTheListArrivesNothingBreaks) {
  const int book = site().find_long_book(1000);
  ASSERT_NE(book, 0);
  address_ = address_of(book);
  auto reader = make_reader();
  ASSERT_TRUE(QTest::qWaitFor([&] { return reader->chapter_list()->count() > 0; }, kWait));
  reader.reset();
  QCoreApplication::sendPostedEvents();
  QCoreApplication::processEvents();
  SUCCEED();
}

TEST_F(ReaderWindowTest, LoadSettingsPutsBackThePickedLookAndSkipsDamage) {
  QFile::remove(lv::app::reader_settings_path());
  {
    const auto first = make_reader();
    first->background_colour_panel()->picker()->pick(QColor(200, 210, 220));
    first->text_colour_panel()->picker()->pick(QColor(10, 20, 30));
    lv::app::FontColourDialog* dialog = first->font_dialog();
    QFont chosen(first->text_view()->font().family());
    chosen.setPointSize(17);
    chosen.setUnderline(true);
    QTimer::singleShot(0, dialog, [&] {
      dialog->set_current_font(chosen);
      dialog->set_current_colour(QColor(40, 50, 60));  // the font's colour replaces the panel's
      dialog->accept();
    });
    first->choose_font();
  }
  const auto look = [](const ReaderWindow& reader) {
    return std::tuple(reader.text_view()->font(), lv::app::text_colour(*reader.text_view()),
                      lv::app::background_colour(*reader.text_view()));
  };
  const auto load_settings = [](ReaderWindow& reader) { reader.menu_bar()->actions()[0]->menu()->actions()[3]->trigger(); };

  // A new reader opens with the look picked last; 读取设置 puts it back after a change.
  const auto reader = make_reader();
  reader->text_view()->setFont(QFont(reader->text_view()->font().family(), 9));
  lv::app::set_background_colour(*reader->text_view(), Qt::yellow);
  load_settings(*reader);
  EXPECT_EQ(reader->text_view()->font().pointSize(), 17);
  EXPECT_TRUE(reader->text_view()->font().underline());
  EXPECT_EQ(lv::app::text_colour(*reader->text_view()), QColor(40, 50, 60));
  EXPECT_EQ(lv::app::background_colour(*reader->text_view()), QColor(200, 210, 220));
  EXPECT_EQ(reader->font_dialog()->choice().font.pointSize(), 17);  // offered at the next opening
  QFile::remove(lv::app::reader_settings_path());
  const auto defined = look(*make_reader());  // nothing saved: the look as defined
  EXPECT_EQ(std::get<0>(defined).pixelSize(), 48);
  EXPECT_EQ(std::get<2>(defined), QColor(Qt::white));

  const std::vector<std::vector<std::pair<QString, QVariant>>> damaged{
      {},
      {{u("reader/font"), u("garbage")}, {u("reader/text_colour"), u("#12345")}},
      {{u("reader/font"), u("Sans,abc,-1,5,400,0,0,0,0,0,0,0,0,0,0,1")}, {u("reader/background_colour"), u("red")}},
      {{u("reader/font"), u("Sans,5000,-1,5,400,0,0,0,0,0,0,0,0,0,0,1")}, {u("reader/text_colour"), u("#GGGGGG")}},
      {{u("reader/font"), 12}, {u("reader/background_colour"), QStringList{u("rgb(1"), u("2"), u("3)")}}},
  };
  for (std::size_t i = 0; i < damaged.size(); ++i) {
    {
      QSettings settings(lv::app::reader_settings_path(), QSettings::IniFormat);
      settings.clear();
      for (const auto& [key, value] : damaged[i]) settings.setValue(key, value);
    }
    const auto fresh = make_reader();
    load_settings(*fresh);
    EXPECT_EQ(look(*fresh), defined) << "case " << i;
  }
  QFile::remove(lv::app::reader_settings_path());
  const auto without_file = make_reader();
  load_settings(*without_file);
  EXPECT_EQ(look(*without_file), defined);
}

TEST_F(ReaderWindowTest, AFailedChapterDownloadShowsTheLibrarysText) {
  const auto links = site().chapters(book_);
  const std::string library_path = lv::library::default_library_path();
  {
    auto library = lv::library::Library::open(library_path);
    lv::library::BookDetails details;
    details.name = site().book_by_id(book_).title;
    library.save_book(address_, details, {});
    std::vector<lv::library::StoredChapter> chapters(links.size());
    for (std::size_t i = 0; i < links.size(); ++i) {
      chapters[i].index = static_cast<int>(i);
      chapters[i].title = links[i].title;
      chapters[i].address = links[i].address;
    }
    library.save_chapter_list(address_, chapters);
    library.save_chapter_text(address_, 2, gbk("存下的第三章"), 1);
    library.save_chapter_text(address_, 4, gbk("存下的第五章"), 1);
  }
  server_->set_failure(chapter_path(book_, 2), lv::site::Failure::unavailable);
  server_->set_failure(chapter_path(book_, 3), lv::site::Failure::unavailable);
  const auto view = [&](int index, const Text& text) {
    return lv::app::to_editor_text(lv::routines::chapter_view_content(links[static_cast<std::size_t>(index)].title, text));
  };

  context_.library_path = library_path;
  {
    auto reader = open_loaded();
    pick(*reader, 2);  // failed, stored
    EXPECT_EQ(shown(*reader), view(2, gbk("存下的第三章")));
    pick(*reader, 3);  // failed, not stored
    EXPECT_EQ(shown(*reader), view(3, ""));
    pick(*reader, 4);  // downloaded: the page wins over the library
    EXPECT_EQ(shown(*reader), expected_content(4));
  }

  // No library file, or a file that is no library: the chapter stays empty,
  // and the reader creates no library.
  const std::string elsewhere = library_path + ".elsewhere";
  const std::string broken = library_path + ".broken";
  {
    QFile file(QString::fromStdString(broken));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("not a library");
  }
  for (const std::string& path : {elsewhere, broken}) {
    context_.library_path = path;
    auto reader = open_loaded();
    pick(*reader, 2);
    EXPECT_EQ(shown(*reader), view(2, "")) << path;
  }
  EXPECT_FALSE(std::filesystem::exists(elsewhere));
  std::filesystem::remove(broken);
}

TEST_F(ReaderWindowTest, TheColourChooserKeepsItsOwnLook) {
  const auto owned = make_reader();
  ReaderWindow& reader = *owned;
  reader.show();
  reader.show_background_colour_panel();
  lv::app::ColourPicker* picker = reader.background_colour_panel()->picker();
  const QColor marked(1, 2, 3);
  picker->set_colour(marked);
  const auto marked_pixels = [&](QWidget* widget) {
    const QImage image = widget->grab().toImage();
    int count = 0;
    for (int y = 0; y < image.height(); ++y) {
      for (int x = 0; x < image.width(); ++x) count += QColor(image.pixel(x, y)) == marked ? 1 : 0;
    }
    return count;
  };
  EXPECT_GT(marked_pixels(picker), 0);  // the picker shows its colour

  int buttons_seen = 0;
  int buttons_marked = 0;
  QTimer poll;
  QObject::connect(&poll, &QTimer::timeout, [&] {
    auto* chooser = qobject_cast<QColorDialog*>(QApplication::activeModalWidget());
    if (chooser == nullptr || !chooser->isVisible()) return;
    poll.stop();
    for (QPushButton* button : chooser->findChildren<QPushButton*>()) {
      if (!button->isVisible()) continue;
      ++buttons_seen;
      buttons_marked += marked_pixels(button) > 0 ? 1 : 0;
    }
    chooser->reject();
  });
  poll.start(5);
  QTest::mouseClick(picker, Qt::LeftButton);
  EXPECT_GT(buttons_seen, 0);
  EXPECT_EQ(buttons_marked, 0);
  EXPECT_EQ(picker->colour(), marked);  // cancelled: nothing picked
}

TEST_F(ReaderWindowTest, OpenReaderRunsModallyUntilItsCloseBoxNotEsc) {
  bool was_modal = false;
  bool open_after_esc = false;
  QTimer::singleShot(0, qApp, [&] {
    auto* reader = qobject_cast<ReaderWindow*>(QApplication::activeModalWidget());
    ASSERT_NE(reader, nullptr);
    was_modal = reader->isModal();
    for (QWidget* target : {static_cast<QWidget*>(reader), static_cast<QWidget*>(reader->text_view()),
                            static_cast<QWidget*>(reader->chapter_list())}) {
      QTest::keyClick(target, Qt::Key_Escape);
    }
    open_after_esc = reader->isVisible();
    reader->close();
  });
  lv::app::open_reader(context_);
  EXPECT_TRUE(was_modal);
  EXPECT_TRUE(open_after_esc);
}

}  // namespace
