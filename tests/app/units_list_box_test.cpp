#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

#include "app/widgets/list_box.h"
#include "base/code_page.h"
#include "support/test_support.h"

namespace lv::app {
namespace {

class ListBoxTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* text : {"zero", "one", "two", "three", "four"}) box.add_item(text);
  }
  ListBox box;
};

TEST_F(ListBoxTest, WrittenSelectionIsClampedAndRaisesNoEvent) {
  QSignalSpy changed(&box, &ListBox::user_selection_changed);
  box.set_selection(2);
  EXPECT_EQ(box.selection(), 2);
  box.set_selection(1000);
  EXPECT_EQ(box.selection(), 4);
  box.set_selection(-5);
  EXPECT_EQ(box.selection(), -1);
  box.set_selection(0);
  box.set_selection(-1);
  EXPECT_EQ(box.selection(), -1);
  EXPECT_EQ(changed.count(), 0);
}

TEST_F(ListBoxTest, EmptyListTakesNoSelection) {
  ListBox empty;
  empty.set_selection(3);
  EXPECT_EQ(empty.selection(), -1);
}

TEST_F(ListBoxTest, UserSelectionRaisesTheEvent) {
  box.resize(200, 200);
  box.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&box));
  QSignalSpy changed(&box, &ListBox::user_selection_changed);
  const QRect third = box.visualItemRect(box.item(3));
  QTest::mouseClick(box.viewport(), Qt::LeftButton, Qt::NoModifier, third.center());
  ASSERT_EQ(changed.count(), 1);
  EXPECT_EQ(changed.at(0).at(0).toInt(), 3);
  EXPECT_EQ(box.selection(), 3);

  box.setFocus();
  QTest::keyClick(&box, Qt::Key_Up);
  ASSERT_EQ(changed.count(), 2);
  EXPECT_EQ(changed.at(1).at(0).toInt(), 2);
}

TEST_F(ListBoxTest, AddedItemsComeBackByteForByte) {
  EXPECT_EQ(box.add_item(lv::base::gbk("第一章 开端"), 7), 5);
  EXPECT_EQ(box.item_text(5), lv::base::gbk("第一章 开端"));
  EXPECT_EQ(box.item_data(5), 7);
  // Bytes that are no GBK character still read back as they were added.
  const std::string odd = lv::test::bytes({0x41, 0xFF, 0x80, 0x42});
  const int at = box.add_item(odd);
  EXPECT_EQ(box.item_text(at), odd);
}

TEST_F(ListBoxTest, ItemTextOutOfRangeIsEmpty) {
  EXPECT_EQ(box.item_text(-1), "");
  EXPECT_EQ(box.item_text(box.count()), "");
  EXPECT_EQ(box.item_text(0), "zero");
}

}  // namespace
}  // namespace lv::app
