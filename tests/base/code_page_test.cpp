#include "base/code_page.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "support/test_support.h"

namespace lv::base {
namespace {

using lv::test::bytes;

TEST(CodePage, ChineseRoundTrips) {
  const std::string utf8 = "作者：修真小说《第一章》，全角　空格";
  const Text g = utf8_to_gbk(utf8);
  // 作 D7F7, 者 D5DF, ： A3BA
  EXPECT_EQ(g.substr(0, 6), bytes({0xD7, 0xF7, 0xD5, 0xDF, 0xA3, 0xBA}));
  EXPECT_EQ(gbk_to_utf8(g), utf8);
  EXPECT_EQ(gbk_to_utf16(g), u"作者：修真小说《第一章》，全角　空格");
  EXPECT_EQ(utf16_to_gbk(u"作者：修真小说《第一章》，全角　空格"), g);
  EXPECT_EQ(gbk("#引号"), bytes({'#', 0xD2, 0xFD, 0xBA, 0xC5}));
}

TEST(CodePage, EuroSignIsByte80) {
  EXPECT_EQ(gbk_to_utf8(bytes({0x80})), "\u20AC");
  EXPECT_EQ(utf8_to_gbk("\u20AC"), bytes({0x80}));
}

TEST(CodePage, UnrepresentableBecomesQuestionMark) {
  EXPECT_EQ(utf8_to_gbk("a\U0001F600b"), "a?b");          // an emoji, four UTF-8 bytes
  EXPECT_EQ(utf16_to_gbk(u"a\U0001F600b"), "a?b");        // a surrogate pair
  EXPECT_EQ(utf16_to_gbk(std::u16string(u"a") + char16_t(0xD800) + u"b"), "a?b");
  EXPECT_EQ(utf8_to_gbk("a\xFF\xC3(b"), "a?" "?(b");  // broken UTF-8, byte by byte
}

TEST(CodePage, InvalidGbkBecomesReplacementAndGoesOn) {
  // 0xFF is never a lead byte; 0x81 0x20 has no trail; a lone lead at the end
  EXPECT_EQ(gbk_to_utf8(bytes({'a', 0xFF, 'b'})), "a\uFFFDb");
  EXPECT_EQ(gbk_to_utf8(bytes({0x81, 0x20, 'c'})), "\uFFFD c");
  EXPECT_EQ(gbk_to_utf8(bytes({'a', 0xB0})), "a\uFFFD");
  EXPECT_EQ(gbk_to_utf16(bytes({'a', 0xFF, 0xB0, 0xA1})), u"a\uFFFD啊");
}

TEST(CodePage, EmptyAndLongInputs) {
  EXPECT_EQ(gbk_to_utf8(""), "");
  EXPECT_EQ(utf8_to_gbk(""), "");
  std::string long_utf8;
  for (int i = 0; i < 20000; ++i) long_utf8 += "章a";
  EXPECT_EQ(gbk_to_utf8(utf8_to_gbk(long_utf8)), long_utf8);
}

TEST(WideToGbk, StopsAtZeroUnitAndIgnoresOddByte) {
  // 章 is U+7AE0
  EXPECT_EQ(wide_to_gbk(Bytes::from_string(std::string("\xE0\x7A" "a\0" "\0\0" "b\0", 8))),
            utf8_to_gbk("章a"));
  EXPECT_EQ(wide_to_gbk(Bytes::from_string(std::string("a\0" "b", 3))), "a");
  EXPECT_EQ(wide_to_gbk(Bytes()), "");
}

TEST(CodePage, ConvertsOnSeveralThreadsAtOnce) {
  const std::string utf8 = "第一章 修真";
  const Text expected = utf8_to_gbk(utf8);
  std::vector<std::thread> threads;
  std::vector<int> failures(4, 0);
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&, t] {
      for (int i = 0; i < 2000; ++i) {
        if (utf8_to_gbk(utf8) != expected || gbk_to_utf8(expected) != utf8) ++failures[t];
      }
    });
  }
  for (auto& th : threads) th.join();
  EXPECT_EQ(failures, std::vector<int>(4, 0));
}

}  // namespace
}  // namespace lv::base
