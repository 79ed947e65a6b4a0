#include "base/code_page.h"

#include <gtest/gtest.h>

#include <random>
#include <thread>
#include <vector>

#include "base/gbk_table.h"
#include "support/iconv_reference.h"
#include "support/test_support.h"

namespace lv::base {
namespace {

using lv::test::bytes;

std::u16string units_of(std::string_view le) {
  std::u16string units;
  for (std::size_t i = 0; i + 1 < le.size(); i += 2) {
    units.push_back(static_cast<char16_t>(static_cast<unsigned char>(le[i]) |
                                          static_cast<unsigned char>(le[i + 1]) << 8));
  }
  return units;
}

std::string utf8_of(char32_t c) {
  std::string out;
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += {static_cast<char>(0xC0 | c >> 6), static_cast<char>(0x80 | (c & 0x3F))};
  } else if (c < 0x10000) {
    out += {static_cast<char>(0xE0 | c >> 12), static_cast<char>(0x80 | (c >> 6 & 0x3F)),
            static_cast<char>(0x80 | (c & 0x3F))};
  } else {
    out += {static_cast<char>(0xF0 | c >> 18), static_cast<char>(0x80 | (c >> 12 & 0x3F)),
            static_cast<char>(0x80 | (c >> 6 & 0x3F)), static_cast<char>(0x80 | (c & 0x3F))};
  }
  return out;
}

void append_utf16(std::u16string& out, char32_t c) {
  if (c < 0x10000) {
    out += static_cast<char16_t>(c);
  } else {
    out += static_cast<char16_t>(0xD800 | (c - 0x10000) >> 10);
    out += static_cast<char16_t>(0xDC00 | (c & 0x3FF));
  }
}

// Every conversion of the same bytes against the iconv walk; `what` names the input.
void expect_as_iconv(std::string_view in, const std::string& what) {
  using namespace lv::test;
  EXPECT_TRUE(gbk_to_utf8(in) == ref_gbk_to_utf8(in)) << "gbk_to_utf8 " << what;
  EXPECT_TRUE(gbk_to_utf16(in) == ref_gbk_to_utf16(in)) << "gbk_to_utf16 " << what;
  EXPECT_TRUE(utf8_to_gbk(in) == ref_utf8_to_gbk(in)) << "utf8_to_gbk " << what;
  EXPECT_TRUE(utf8_to_gbk_in_place(std::string(in)) == ref_utf8_to_gbk(in)) << "utf8_to_gbk_in_place " << what;
  const std::u16string units = units_of(in);
  EXPECT_TRUE(utf16_to_gbk(units) == ref_utf16_to_gbk(units)) << "utf16_to_gbk " << what;
  const auto compose = [](char16_t base, char16_t mark) { return GbkTable::get().compose(base, mark); };
  EXPECT_TRUE(wide_to_gbk(Bytes::from_string(in)) ==
              ref_utf16_to_gbk(ref_compose(ref_wide_units(in), compose)))
      << "wide_to_gbk " << what;
}

std::string hex(std::string_view s) {
  std::string out;
  char cell[4];
  for (char c : s) {
    std::snprintf(cell, sizeof cell, "%02X ", static_cast<unsigned char>(c));
    out += cell;
  }
  return out;
}

std::string le_of(std::u16string_view units) {
  std::string out;
  for (char16_t u : units) out += {static_cast<char>(u & 0xFF), static_cast<char>(u >> 8)};
  return out;
}

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

// Shapes where iconv's verdict and the step over a refused sequence matter,
// in GBK, UTF-8 and UTF-16LE; each goes through every conversion.
TEST(CodePage, TrickyInputsAsIconvMakesThem) {
  const std::vector<std::string> inputs = {
      "", "a", "\x80", "\x80" "a", "\x80\x80", "\xFF", "\xFF\xFF", "\xFF" "a",
      "\x81", "a\x81", "\x81" "a", "\x81\x7F", "\x81\xFF", "\x81\x40", "\x81\x30\x81\x30",
      "\xA1\xA1", "\xA2\xA0", "\xD7\xFA", "\xAA\xA1", "\xFE\xFE", "\xFE\x40", "\xA1\x40",
      "\xB0\xA1\xB0", "\xB0\xB0\xA1",
      "\xC0\x80", "\xC1\x81", "\xC2\x80", "\xE0\x80\x80", "\xE0\x9F\xBF", "\xE0\xA0\x80",
      "\xED\xA0\x80", "\xED\xBF\xBF", "\xEF\xBB\xBF" "a", "\xEF\xBF\xBE", "\xEF\xBF\xBF",
      "\xF0\x80\x80\x80", "\xF0\x8F\xBF\xBF", "\xF0\x9F\x98\x80", "\xF4\x8F\xBF\xBF",
      "\xF4\x90\x80\x80", "\xF5\x80\x80\x80", "\xF8\x88\x80\x80\x80",
      "\xFC\x84\x80\x80\x80\x80", "\xE4\xB8", "\xE4\xB8" "A", "\xE4" "A", "\xF0\x9F\x98",
      "\x80\xBF", "\xF3\xA0\x80\x81", "\xF3\xA0\x81\xBF", "\xF3\xA0\x82\x80",
      "\xC3\xA9", "\xC2\xB7", "\xE3\x83\xBB", "\xE2\x80\x94", "\xE2\x80\x95",
      "\xEF\xBD\x9E", "\xE3\x80\x9C", "\xE2\x82\xAC", "\xEE\x80\x80", "\xEF\xA3\xBF",
      le_of(u"\xD800"), le_of(u"\xD800" "a"), le_of(u"\xDC00"), le_of(u"\xD800\xD800\xDC00"),
      le_of(u"\xDBFF\xDFFF"), le_of(u"\xDB40\xDC01"), le_of(u"\xFEFF" "a\xFEFF"), le_of(u"\xFFFE\xFFFF"),
      le_of(u"\x0300"), le_of(u"a\x0304"), le_of(u"u\x0308\x0304"), le_of(u"A\x0304"),
      le_of(u"\x0438\x0306"), le_of(u"u\x0302\x0304"), le_of(u"a\x0304\x0301"),
      le_of(u"\xD800\x0304"), le_of(u"a\0\x0304")};
  for (const auto& in : inputs) expect_as_iconv(in, hex(in));
}

// Random bytes, mostly high ones, in runs shaped like GBK, UTF-8 and UTF-16.
TEST(CodePage, RandomBytesAsIconvMakesThem) {
  std::mt19937 rng(936);
  const auto pick = [&rng](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
  for (int round = 0; round < 3000; ++round) {
    std::string in;
    const int pieces = pick(1, 12);
    for (int p = 0; p < pieces; ++p) {
      switch (pick(0, 7)) {
        case 0: in += static_cast<char>(pick(0x20, 0x7E)); break;
        case 1: in += static_cast<char>(pick(0x80, 0xFF)); break;
        case 2: in += {static_cast<char>(pick(0x81, 0xFE)), static_cast<char>(pick(0x00, 0xFF))}; break;
        case 3: in += static_cast<char>(pick(0x80, 0xBF)); break;
        case 4: in += static_cast<char>(pick(0xC0, 0xFF)); break;
        case 5: in += utf8_of(static_cast<char32_t>(pick(0x80, 0x10FFFF))); break;
        case 6:  // a cut-off character
          in += utf8_of(static_cast<char32_t>(pick(0x80, 0xFFFF))).substr(0, static_cast<std::size_t>(pick(1, 3)));
          break;
        default: in += le_of(std::u16string(1, static_cast<char16_t>(pick(0x0300, 0x030C)))); break;
      }
    }
    expect_as_iconv(in, hex(in));
    if (HasFailure()) break;
  }
}

// The tables against iconv over every GBK pair and every code point.
TEST(CodePage, EveryCodeAndCodePointAsIconvMakesThem) {
  using namespace lv::test;
  for (int lead = 0; lead < 0x100; ++lead) {
    std::string row;
    for (int trail = 0; trail < 0x100; ++trail) row += {static_cast<char>(lead), static_cast<char>(trail), '\n'};
    row += static_cast<char>(lead);
    EXPECT_TRUE(gbk_to_utf8(row) == ref_gbk_to_utf8(row)) << "lead " << lead;
    EXPECT_TRUE(gbk_to_utf16(row) == ref_gbk_to_utf16(row)) << "lead " << lead;
  }
  // Short runs: after a refusal iconv reconverts the run's rest from the refused point.
  for (char32_t first = 0; first < 0x110000; first += 0x80) {
    std::string utf8;
    std::u16string utf16;
    for (char32_t c = first; c < first + 0x80; ++c) {
      utf8 += utf8_of(c);
      append_utf16(utf16, c);
    }
    const unsigned from = static_cast<unsigned>(first);
    EXPECT_TRUE(utf8_to_gbk(utf8) == ref_utf8_to_gbk(utf8)) << "from U+" << std::hex << from;
    EXPECT_TRUE(utf16_to_gbk(utf16) == ref_utf16_to_gbk(utf16)) << "from U+" << std::hex << from;
  }
}

TEST(WideToGbk, StopsAtZeroUnitAndIgnoresOddByte) {
  // 章 is U+7AE0
  EXPECT_EQ(wide_to_gbk(Bytes::from_string(std::string("\xE0\x7A" "a\0" "\0\0" "b\0", 8))),
            utf8_to_gbk("章a"));
  EXPECT_EQ(wide_to_gbk(Bytes::from_string(std::string("a\0" "b", 3))), "a");
  EXPECT_EQ(wide_to_gbk(Bytes()), "");
}

TEST(WideToGbk, ComposesALetterAndItsMarksWhereGbkHasTheCharacter) {
  const struct {
    std::u16string in;
    Text out;
  } cases[] = {
      {u"a\u0304", bytes({0xA8, 0xA1})},  // ā
      {u"u\u0308\u0304x", gbk("ǖx")},     // ü first, then ǖ
      {u"\u00FC\u0301", gbk("ǘ")},        // a precomposed ü takes a mark too
      {u"e\u0302\u0435\u0308\u0418\u0306", gbk("êёЙ")},
      {u"A\u0304", "A?"},                 // Ā is not in GBK
      {u"a\u0304\u0301", gbk("ā") + "?"},  // ā takes no acute
      {u"\u0301a\u0303", "?a?"},          // no letter before it; tilde is not composed
  };
  for (const auto& c : cases) EXPECT_EQ(wide_to_gbk(Bytes::from_string(le_of(c.in))), c.out) << hex(c.out);
  EXPECT_EQ(utf16_to_gbk(u"a\u0304"), "a?");
  EXPECT_EQ(utf8_to_gbk("a\u0304"), "a?");
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
