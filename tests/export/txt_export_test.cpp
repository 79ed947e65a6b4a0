// The plain text file: the book's head, then every chapter, CR LF line ends.
#include <gtest/gtest.h>

#include "base/code_page.h"
#include "export/book_export.h"
#include "export_test_support.h"

namespace {

using lv::exporting::TextEncoding;
using lv::exporting::write_txt;

// Blank lines around a text are dropped, those inside kept (written empty);
// the missing chapter says so, the untitled one gets its number.
constexpr std::string_view kSmallBookText =
    "风雪&归人\r\n"
    "作者：张三\r\n"
    "\r\n"
    "　　一个关于风雪的故事。\r\n"
    "\r\n"
    "第二行。\r\n"
    "\r\n"
    "第一章 出发\r\n"
    "　　他说：\"<走>\" & 笑。\r\n"
    "\r\n"
    "\r\n"
    "第二段'引号'。\r\n"
    "\r\n"
    "第二章 归来\r\n"
    "本章未能取回。HTTP 404\r\n"
    "\r\n"
    "第3章\r\n"
    "最后一行\x01。\r\n"
    "\r\n";

TEST(TxtExport, WritesTheSmallBookInUtf8AndInGbk) {
  const auto dir = lv::test::fresh_dir();
  const auto book = lv::test::small_book();
  write_txt(book, dir / "utf8.txt", TextEncoding::utf8);
  write_txt(book, dir / "gbk.txt", TextEncoding::gbk);
  EXPECT_EQ(lv::test::read_file(dir / "utf8.txt"), kSmallBookText);
  EXPECT_EQ(lv::test::read_file(dir / "gbk.txt"), lv::base::gbk(kSmallBookText));
}

}  // namespace
