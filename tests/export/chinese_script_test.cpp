// Simplified and Traditional Chinese through OpenCC: each script's own
// characters, GBK in and out with what GBK lacks counted, and texts OpenCC
// alone would cut short or refuse.
#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "base/code_page.h"
#include "export/chinese_script.h"

namespace {

using lv::base::gbk;
using lv::exporting::ChineseScript;
using lv::exporting::shared_chinese_converter;

const lv::exporting::ChineseConverter& converter(ChineseScript script) {
  const auto* c = shared_chinese_converter(script);
  if (c == nullptr) throw std::runtime_error("OpenCC's tables are not installed (scripts/setup installs them)");
  return *c;
}

TEST(ChineseScript, EachScriptWritesItsOwnCharacters) {
  const struct {
    ChineseScript script;
    const char* in;
    const char* out;
  } cases[] = {
      // Taiwan writes 裡 著 為, Hong Kong 裏 着 為 and 説, the common Traditional set 裏 着 爲.
      {ChineseScript::s2t, "头发里面着为他说", "頭髮裏面着爲他說"},
      {ChineseScript::s2tw, "头发里面着为他说", "頭髮裡面著為他說"},
      {ChineseScript::s2hk, "头发里面着为他说", "頭髮裏面着為他説"},
      {ChineseScript::t2s, "後來頭髮裡面", "后来头发里面"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.out);
    EXPECT_TRUE(lv::exporting::script_available(c.script));
    EXPECT_EQ(converter(c.script).convert_utf8(c.in), c.out);
    EXPECT_EQ(lv::exporting::convert_gbk(gbk(c.in), c.script), gbk(c.out));
  }
  EXPECT_EQ(lv::exporting::convert_gbk("\xB7\xE7\x80", ChineseScript::as_written), "\xB7\xE7\x80") << "as it is";
}

// 鲃 is Traditional 䰾, which GBK lacks: one '?', counted. A '?' of the text
// and a byte that was no GBK (0xFF) also read '?', uncounted.
TEST(ChineseScript, GbkKeepsWhatItCanHoldAndCountsTheRest) {
  std::size_t unheld = 99;
  EXPECT_EQ(converter(ChineseScript::s2t).convert_gbk(gbk("鲃鱼?头") + "\xFF", &unheld), gbk("?魚?頭?"));
  EXPECT_EQ(unheld, 1u);
}

// OpenCC alone stops at a zero byte and misreads or refuses malformed UTF-8:
// a lone lead byte, a character cut short at the end, a surrogate.
TEST(ChineseScript, ZeroBytesAndMalformedTextsDoNotStopTheConversion) {
  const auto& s2t = converter(ChineseScript::s2t);
  EXPECT_EQ(s2t.convert_utf8(std::string("头\0发", 7) + '\0'), std::string("頭\0發", 7) + '\0');
  EXPECT_EQ(s2t.convert_utf8("头\xE5发\xED\xA0\x80头\xE5\xA4"), "頭\xE5發\xED\xA0\x80頭\xE5\xA4");
}

// One converter serves several threads at once, each getting what one alone gets.
TEST(ChineseScript, OneConverterConvertsOnSeveralThreadsAtOnce) {
  const auto& s2tw = converter(ChineseScript::s2tw);
  std::string text;
  for (int i = 0; i < 200; ++i) text += "头发里面着为他说，后来这里的人都走了。\n";
  const std::string expected = s2tw.convert_utf8(text);
  std::vector<std::string> results(4);
  {
    std::vector<std::jthread> threads;
    for (std::string& result : results) {
      threads.emplace_back([&] {
        for (int round = 0; round < 5 && (result.empty() || result == expected); ++round) result = s2tw.convert_utf8(text);
      });
    }
  }
  for (const std::string& result : results) EXPECT_EQ(result, expected);
}

}  // namespace
