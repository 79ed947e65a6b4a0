#include <QAbstractItemModelTester>
#include <gtest/gtest.h>

#include "app/widgets/report_list.h"
#include "base/code_page.h"
#include "support/test_support.h"

namespace lv::app {
namespace {

std::vector<ReportColumn> five_columns() {
  return {{QStringLiteral("id"), 50},
          {QStringLiteral("书名"), 100},
          {QStringLiteral("最新章节"), 150},
          {QStringLiteral("地址"), 200},
          {QStringLiteral("类别"), 56}};
}

lv::routines::BookRecord record(const std::string& id, const std::string& title, const std::string& address = "") {
  return {id, title, "latest " + id, address, "cat"};
}

class ReportListTest : public ::testing::Test {
 protected:
  ReportList list{five_columns()};
  QAbstractItemModelTester tester{&list.report_model(), QAbstractItemModelTester::FailureReportingMode::Fatal};
};

TEST_F(ReportListTest, InsertedRowsKeepTheirPlaceAndCells) {
  EXPECT_EQ(list.insert_row(std::nullopt, "a"), 0);
  EXPECT_EQ(list.insert_row(-1, "c"), 1);
  EXPECT_EQ(list.insert_row(1, "b"), 1);
  EXPECT_EQ(list.insert_row(99, "d"), 3);
  ASSERT_EQ(list.row_count(), 4);
  EXPECT_EQ(list.cell_text(0), "a");
  EXPECT_EQ(list.cell_text(1), "b");
  EXPECT_EQ(list.cell_text(2), "c");
  list.set_cell(2, 3, "http://host/book/1/");
  EXPECT_EQ(list.cell_text(2, 3), "http://host/book/1/");
  EXPECT_EQ(list.cell_text(2, 1), "");
  // Cells that do not exist read as empty and are not written.
  list.set_cell(9, 1, "x");
  list.set_cell(0, 5, "x");
  EXPECT_EQ(list.cell_text(9, 1), "");
  EXPECT_EQ(list.cell_text(0, 5), "");
  EXPECT_EQ(list.cell_text(-1, 0), "");
}

TEST_F(ReportListTest, BatchesAppendInOrderAndShowAsUnicode) {
  list.append_rows({record("1", lv::base::gbk("《剑破仙惊》")), record("2", "b")});
  list.append_rows({record("3", "c")});
  ASSERT_EQ(list.row_count(), 3);
  EXPECT_EQ(list.cell_text(2, 0), "3");
  EXPECT_EQ(list.cell_text(1, 2), "latest 2");
  EXPECT_EQ(list.cell_text(0, 4), "cat");
  const QModelIndex title = list.report_model().index(0, 1);
  EXPECT_EQ(list.report_model().data(title).toString(), QStringLiteral("《剑破仙惊》"));
  EXPECT_EQ(list.report_model().headerData(2, Qt::Horizontal).toString(), QStringLiteral("最新章节"));
}

TEST(ReportListSizeTest, ManyRowsStayConsistent) {
  ReportList list{five_columns()};
  for (int batch = 0; batch < 200; ++batch) {
    std::vector<lv::routines::BookRecord> rows;
    for (int i = 0; i < 100; ++i) rows.push_back(record(std::to_string(batch * 100 + i + 1), "t"));
    list.append_rows(std::move(rows));
  }
  ASSERT_EQ(list.row_count(), 20000);
  EXPECT_EQ(list.cell_text(19999, 0), "20000");
  EXPECT_EQ(list.find_row("12345"), 12344);
}

class FindRowTest : public ReportListTest {
 protected:
  void SetUp() override {
    list.append_rows({record("Alpha", "《甲》", "http://h/1/"), record("beta", "《乙》", "http://h/2/"),
                      record("alphabet", "《甲乙》", "http://h/3/"), record("Gamma", "《甲》", "http://h/4/"),
                      record("x", "Case", "http://h/5/")});
  }
};

TEST_F(FindRowTest, CaptionSearchIgnoresCase) {
  EXPECT_EQ(list.find_row("alpha"), 0);
  EXPECT_EQ(list.find_row("BETA"), 1);
  EXPECT_EQ(list.find_row("alp", 0, true), -1);
  EXPECT_EQ(list.find_row("ALP", 0, false), 0);
  EXPECT_EQ(list.find_row("alp", 1, false), 2);
  EXPECT_EQ(list.find_row("alpha", -4), 0);
}

TEST_F(FindRowTest, CaptionCaseFoldingLeavesDoubleByteCharactersAlone) {
  // 0x81 0x41 and 0x81 0x61 are two different characters whose trail bytes
  // look like 'A' and 'a'.
  list.insert_row(-1, lv::test::bytes({0x81, 0x41}));
  EXPECT_EQ(list.find_row(lv::test::bytes({0x81, 0x61})), -1);
  EXPECT_EQ(list.find_row(lv::test::bytes({0x81, 0x41})), 5);
}

TEST_F(FindRowTest, CellSearchIsByteExactAndCaseSensitive) {
  EXPECT_EQ(list.find_row("《甲》", 0, true, 1), 0);
  EXPECT_EQ(list.find_row("case", 0, true, 1), -1);
  EXPECT_EQ(list.find_row("Case", 0, true, 1), 4);
  EXPECT_EQ(list.find_row("《甲", 0, true, 1), -1);
  EXPECT_EQ(list.find_row("《甲", 0, false, 1), 0);
  EXPECT_EQ(list.find_row("http://h/3", 0, false, 3), 2);
}

TEST_F(FindRowTest, RowsBeforeTheStartAreNeverLookedAt) {
  EXPECT_EQ(list.find_row("《甲》", 1, true, 1), 3);
  EXPECT_EQ(list.find_row("《甲》", 4, true, 1), -1);
  EXPECT_EQ(list.find_row("Alpha", 1), -1);
}

TEST_F(FindRowTest, EveryColumnAfterAFailedCaptionSearch) {
  EXPECT_EQ(list.find_row("gamma", 0, true, -1), 3);           // caption first
  EXPECT_EQ(list.find_row("http://h/2/", 0, true, -1), 1);     // then the cells
  EXPECT_EQ(list.find_row("latest beta", 0, true, -1), 1);
  EXPECT_EQ(list.find_row("http://h/2/", 2, true, -1), -1);
}

TEST_F(FindRowTest, ColumnsOutsideTheListFindNothing) {
  EXPECT_EQ(list.find_row("cat", 0, true, 5), -1);
  EXPECT_EQ(list.find_row("cat", 0, true, 4), 0);
  EXPECT_EQ(list.find_row("cat", 0, true, -2), -1);
}

TEST_F(FindRowTest, SelectedRowFollowsTheSelection) {
  EXPECT_EQ(list.selected_row(), -1);
  list.select_row(3);
  EXPECT_EQ(list.selected_row(), 3);
  list.select_row(-1);
  EXPECT_EQ(list.selected_row(), -1);
  list.select_row(99);
  EXPECT_EQ(list.selected_row(), -1);
}

}  // namespace
}  // namespace lv::app
