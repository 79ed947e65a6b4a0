#pragma once
// The small book the export tests write, and helpers to look at what they wrote.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "base/code_page.h"
#include "library/library.h"

namespace lv::test {

inline lv::library::StoredBook small_book() {
  using lv::base::gbk;
  lv::library::StoredBook book;
  book.book = "http://www.example.com/book/1234/";
  // 风 B7 E7, 雪 D1 A9, '&', 归 B9 E9, 人 C8 CB
  book.details.name = "\xB7\xE7\xD1\xA9&\xB9\xE9\xC8\xCB";
  book.details.author = gbk("作者：张三");
  book.details.intro = gbk("　　一个关于风雪的故事。\r\n\r\n第二行。\r\n");
  book.updated_at = 1700000000;  // 2023-11-14T22:13:20Z
  book.chapters = {
      // The first line repeats the title, as many sites begin a chapter.
      {0, gbk("第一章 出发"), "1.html", true,
       gbk("\r\n　第一章　出发\r\n　　他说：\"<走>\" & 笑。\r\n\r\n　　\r\n第二段'引号'。\r\n"), {}, 1700000000},
      {1, gbk("第二章 归来"), "2.html", false, "", lv::base::decode_failure("HTTP 404"), 0},
      // No title; LF line ends; a control character XML cannot hold.
      {2, "", "3.html", true, gbk("\n最后一行\x01。\n\n"), {}, 1700000000},
  };
  return book;
}

inline std::string read_file(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// An empty folder of the test's own under the test temporary folder.
inline std::filesystem::path fresh_dir() {
  const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
  const std::filesystem::path dir = std::filesystem::path(::testing::TempDir()) / "lv_export" /
                                    (std::string(info->test_suite_name()) + "." + info->name());
  std::filesystem::remove_all(dir);
  std::filesystem::create_directories(dir);
  return dir;
}

}  // namespace lv::test
