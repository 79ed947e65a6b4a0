// The plain text file: the book's head, then every chapter, CR LF line ends.
#include <gtest/gtest.h>

#include "base/code_page.h"
#include "export/book_export.h"
#include "export_test_support.h"

namespace {

using lv::exporting::TextEncoding;
using lv::exporting::write_txt;

// Blank lines around a text are dropped, those inside kept (written empty);
// the first line repeating the title is dropped; the missing chapter says so,
// the untitled one gets its number; a control character is left out.
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
    "本章未能取回：服务器答复错误 HTTP 404\r\n"
    "\r\n"
    "第3章\r\n"
    "最后一行。\r\n"
    "\r\n";

TEST(TxtExport, WritesTheSmallBookInUtf8AndInGbk) {
  const auto dir = lv::test::fresh_dir();
  const auto book = lv::test::small_book();
  write_txt(book, dir / "utf8.txt", TextEncoding::utf8);
  write_txt(book, dir / "gbk.txt", TextEncoding::gbk);
  EXPECT_EQ(lv::test::read_file(dir / "utf8.txt"), kSmallBookText);
  EXPECT_EQ(lv::test::read_file(dir / "gbk.txt"), lv::base::gbk(kSmallBookText));
}

// A site's bytes that are no GBK become '?' (U+FFFD in UTF-8): a lone lead
// byte, an unmapped pair (one character), 0xFF. A control character is left
// out only after that, so it never joins a lone lead byte to what follows.
TEST(TxtExport, BytesThatAreNoGbkAndControlCharactersDoNotReachTheFile) {
  const auto dir = lv::test::fresh_dir();
  auto book = lv::test::small_book();
  book.chapters = {{0, lv::base::gbk("甲"), "1.html", true,
                    lv::base::gbk("乙") + "\xB0\x01" + "a\t\xA1\x40\x1B\xFF" + lv::base::gbk("丙") + "\xB0", {}, 1}};
  write_txt(book, dir / "utf8.txt", TextEncoding::utf8);
  write_txt(book, dir / "gbk.txt", TextEncoding::gbk);
  EXPECT_TRUE(lv::test::read_file(dir / "utf8.txt").ends_with("甲\r\n乙\uFFFDa\t\uFFFD\uFFFD丙\uFFFD\r\n\r\n"));
  EXPECT_TRUE(lv::test::read_file(dir / "gbk.txt").ends_with(lv::base::gbk("甲\r\n乙?a\t??丙?\r\n\r\n")));
}

// In Traditional characters: the head, the titles, the texts and the note;
// what GBK cannot hold (䰾 for 鲃) is '?' in a GBK file and counted.
TEST(TxtExport, WritesTheScriptAskedForAndCountsWhatGbkCannotHold) {
  const auto dir = lv::test::fresh_dir();
  auto book = lv::test::small_book();
  book.chapters[0].text = lv::base::gbk("头发\r\n鲃鱼\r\n");
  const auto utf8 = write_txt(book, dir / "utf8.txt", TextEncoding::utf8, lv::exporting::ChineseScript::s2t);
  const auto gbk = write_txt(book, dir / "gbk.txt", TextEncoding::gbk, lv::exporting::ChineseScript::s2t);
  constexpr std::string_view kStart = "風雪&歸人\r\n作者：張三\r\n\r\n　　一個關於風雪的故事。\r\n\r\n第二行。\r\n\r\n"
                                      "第一章 出發\r\n頭髮\r\n";
  constexpr std::string_view kEnd = "\r\n\r\n第二章 歸來\r\n本章未能取回：服務器答覆錯誤 HTTP 404\r\n\r\n"
                                    "第3章\r\n最後一行。\r\n\r\n";
  EXPECT_EQ(lv::test::read_file(dir / "utf8.txt"), std::string(kStart) + "䰾魚" + std::string(kEnd));
  EXPECT_EQ(lv::test::read_file(dir / "gbk.txt"), lv::base::gbk(std::string(kStart) + "?魚" + std::string(kEnd)));
  EXPECT_EQ(utf8.unheld_characters, 0u);
  EXPECT_EQ(gbk.unheld_characters, 1u);
}

}  // namespace
