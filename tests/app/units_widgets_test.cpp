// Status bar, edit box, move and pop-up menu units.
#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QMenu>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include "app/widgets/edit_box.h"
#include "app/widgets/move_unit.h"
#include "app/widgets/popup_menu.h"
#include "app/widgets/status_bar.h"
#include "base/code_page.h"

namespace lv::app {
namespace {

// --- status bar --------------------------------------------------------------

class StatusBarTest : public ::testing::Test {
 protected:
  void SetUp() override { bar.resize(504, 20); }
  PartStatusBar bar{{50, 50, 0, -1}};
};

TEST_F(StatusBarTest, PartsEndAtTheSumOfTheirWidths) {
  EXPECT_EQ(bar.part_rect(0), QRect(0, 0, 50, 20));
  EXPECT_EQ(bar.part_rect(1), QRect(50, 0, 50, 20));
  EXPECT_TRUE(bar.part_rect(2).isEmpty());
  EXPECT_EQ(bar.part_rect(3), QRect(100, 0, 404, 20));
  bar.set_part_width(0, 100);
  bar.set_part_width(1, 100);
  bar.set_part_width(2, 100);
  EXPECT_EQ(bar.part_rect(2), QRect(200, 0, 100, 20));
  EXPECT_EQ(bar.part_rect(3), QRect(300, 0, 204, 20));
}

TEST_F(StatusBarTest, WidthRules) {
  bar.set_part_width(2, 70);
  bar.set_part_width(2);  // omitted: 50
  EXPECT_EQ(bar.part_width(2), 50);
  bar.set_part_width(1, -7);  // below -1 counts as -1
  EXPECT_EQ(bar.part_width(1), -1);
  EXPECT_EQ(bar.part_rect(1), QRect(50, 0, 454, 20));
  EXPECT_TRUE(bar.part_rect(2).isEmpty());  // no room after a part that reaches the edge
  EXPECT_TRUE(bar.part_rect(3).isEmpty());
  bar.set_part_width(4, 10);  // no such part
  bar.set_part_width(-1, 10);
  EXPECT_EQ(bar.part_width(0), 50);
}

TEST_F(StatusBarTest, TextGoesOnlyToExistingParts) {
  bar.set_part_text(0, lv::base::gbk("状态：良好"));
  bar.set_part_text(4, "lost");
  bar.set_part_text(-1, "lost");
  EXPECT_EQ(bar.part_text(0), lv::base::gbk("状态：良好"));
  for (int part = 1; part < 4; ++part) EXPECT_EQ(bar.part_text(part), "");
  bar.set_part_text(0);
  EXPECT_EQ(bar.part_text(0), "");
}

// --- edit box ----------------------------------------------------------------

TEST(EditBoxTest, AppendGoesAfterTheLastCharacter) {
  QPlainTextEdit edit;
  set_edit_content(edit, "x");
  edit_append(edit, {"a", "b"});
  EXPECT_EQ(edit_content(edit), "xab");
  EXPECT_EQ(edit.textCursor().position(), 3);
  EXPECT_FALSE(edit.textCursor().hasSelection());
}

TEST(EditBoxTest, AppendDropsASelectionInsteadOfReplacingIt) {
  QPlainTextEdit edit;
  set_edit_content(edit, "hello");
  QTextCursor cursor = edit.textCursor();
  cursor.setPosition(1);
  cursor.setPosition(3, QTextCursor::KeepAnchor);
  edit.setTextCursor(cursor);
  EXPECT_EQ(selected_text(edit), "el");
  edit_append(edit, {lv::base::gbk("世界")});
  EXPECT_EQ(edit_content(edit), lv::base::gbk("hello世界"));
  EXPECT_EQ(selected_text(edit), "");
}

TEST(EditBoxTest, LineBreaksAreCrLfBothWays) {
  QPlainTextEdit edit;
  const std::string content = lv::base::gbk("第一章\r\n\r\n正文\r\n完");
  set_edit_content(edit, content);
  EXPECT_EQ(edit.blockCount(), 4);
  EXPECT_EQ(edit_content(edit), content);
  edit.selectAll();
  EXPECT_EQ(selected_text(edit), content);
}

TEST(EditBoxTest, NoSelectionGivesTheEmptyText) {
  QPlainTextEdit edit;
  set_edit_content(edit, "abc");
  EXPECT_EQ(selected_text(edit), "");
  QLineEdit line;
  set_edit_content(line, lv::base::gbk("剑破仙惊"));
  EXPECT_EQ(selected_text(line), "");
  line.setSelection(0, 2);
  EXPECT_EQ(selected_text(line), lv::base::gbk("剑破"));
}

// --- move_unit ---------------------------------------------------------------

class MoveUnitTest : public ::testing::Test {
 protected:
  void SetUp() override { unit->setGeometry(10, 20, 30, 40); }
  QWidget parent;
  QWidget* unit = new QWidget(&parent);
};

TEST_F(MoveUnitTest, LeftAloneKeepsTheRest) {
  move_unit(*unit, 5);
  EXPECT_EQ(unit->geometry(), QRect(5, 20, 30, 40));
  move_unit(*unit, std::nullopt, 7);
  EXPECT_EQ(unit->geometry(), QRect(5, 7, 30, 40));
}

TEST_F(MoveUnitTest, MinusOneKeepsASize) {
  move_unit(*unit, std::nullopt, std::nullopt, -1, 90);
  EXPECT_EQ(unit->geometry(), QRect(10, 20, 30, 90));
  move_unit(*unit, 0, 0, 200, -1);
  EXPECT_EQ(unit->geometry(), QRect(0, 0, 200, 90));
  move_unit(*unit, std::nullopt, std::nullopt, 99999, std::nullopt);
  EXPECT_EQ(unit->width(), 32627);
}

TEST_F(MoveUnitTest, UnchangedRectangleDoesNothing) {
  struct Counter : QObject {
    int events = 0;
    bool eventFilter(QObject*, QEvent* event) override {
      if (event->type() == QEvent::Move || event->type() == QEvent::Resize) ++events;
      return false;
    }
  } counter;
  parent.show();
  unit->installEventFilter(&counter);
  move_unit(*unit, 10, 20, 30, 40);
  move_unit(*unit, std::nullopt, std::nullopt, -1, -1);
  EXPECT_EQ(counter.events, 0);
  move_unit(*unit, 11);
  EXPECT_EQ(counter.events, 1);
}

// --- popup_menu --------------------------------------------------------------

TEST(PopupMenuTest, ChosenItemRunsItsAction) {
  QWidget window;
  window.resize(200, 200);
  window.show();
  QMenu menu;
  QAction* first = menu.addAction(QStringLiteral("阅读"));
  QAction* second = menu.addAction(QStringLiteral("小说信息"));
  int first_runs = 0;
  int second_runs = 0;
  QObject::connect(first, &QAction::triggered, [&] { ++first_runs; });
  QObject::connect(second, &QAction::triggered, [&] { ++second_runs; });
  QPoint shown_at;
  QTimer::singleShot(0, [&] {
    auto* popup = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    ASSERT_NE(popup, nullptr);
    shown_at = popup->pos();
    popup->setActiveAction(second);
    QTest::keyClick(popup, Qt::Key_Return);
  });
  popup_menu(window, menu, QPoint(40, 50));
  EXPECT_EQ(first_runs, 0);
  EXPECT_EQ(second_runs, 1);
  EXPECT_EQ(shown_at, QPoint(40, 50));
}

}  // namespace
}  // namespace lv::app
