#include "base/text.h"

#include <gtest/gtest.h>

#include <random>

#include "support/gbk_reference.h"
#include "support/test_support.h"

namespace lv::base {
namespace {

using lv::test::bytes;

TEST(TextCut, LeftRightMiddleClampAndCutBytewise) {
  EXPECT_EQ(text_left("abc", 5), "abc");
  EXPECT_EQ(text_left("abc", -1), "");
  EXPECT_EQ(text_right("abc", 0), "");
  EXPECT_EQ(text_right("abc", 2), "bc");
  EXPECT_EQ(text_right("abc", 9), "abc");
  EXPECT_EQ(text_middle("abcdef", 5, 10), "ef");
  EXPECT_EQ(text_middle("abc", 0, 2), "");
  EXPECT_EQ(text_middle("abc", 4, 1), "");
  EXPECT_EQ(text_middle("abc", 2, 0), "");
  EXPECT_EQ(text_middle("abc", INT_MIN, 5), "");
  EXPECT_EQ(text_middle("abc", 2, INT_MAX), "bc");
  // 0xB0 0xA1 is one character; the cut splits it all the same
  EXPECT_EQ(text_left(bytes({0xB0, 0xA1, 'x'}), 1), bytes({0xB0}));
  EXPECT_EQ(text_length(bytes({0xB0, 0xA1, 'x'})), 3);
}

TEST(FindText, PositionsAreOneBasedAndStartIsClamped) {
  EXPECT_EQ(find_text("abcabc", "c", 4), 6);
  EXPECT_EQ(find_text("abc", "x"), -1);
  EXPECT_EQ(find_text("abc", "a", 10), -1);
  EXPECT_EQ(find_text("abc", "a", 0), 1);
  EXPECT_EQ(find_text("abc", "a", -5), 1);
  EXPECT_EQ(find_text("abc", "a", INT_MIN), 1);
  EXPECT_EQ(find_text("abc", "abcd"), -1);
  EXPECT_EQ(find_text("", "a"), -1);
}

TEST(FindText, EmptySoughtGivesOneNotTheStart) {
  EXPECT_EQ(find_text("abc", ""), 1);
  EXPECT_EQ(find_text("abc", "", 3), 1);
  EXPECT_EQ(find_text("abc", "", 4), -1);
  EXPECT_EQ(find_text("", ""), -1);
}

TEST(FindText, NeverMatchesOnATrailByte) {
  EXPECT_EQ(find_text(bytes({0xB0, 0x41, 0x41}), "A"), 3);
  // the same bytes found from the trail byte itself: the walk starts there
  EXPECT_EQ(find_text(bytes({0xB0, 0x41, 0x41}), "A", 2), 2);
  // a sought text that begins with a trail byte is not found inside a character
  EXPECT_EQ(find_text(bytes({0xB0, 0xA1, 0xA1, 0xB0}), bytes({0xA1, 0xA1})), -1);
  EXPECT_EQ(find_text(bytes({0xB0, 0xA1, 0xA1, 0xA1}), bytes({0xA1, 0xA1})), 3);
  // a long run of double-byte characters ahead of the candidate
  std::string chinese;
  for (int i = 0; i < 100; ++i) chinese += bytes({0xC4, 0xE3});
  EXPECT_EQ(find_text(chinese + "x", bytes({0xE3, 0xC4})), -1);
  EXPECT_EQ(find_text("a" + chinese, bytes({0xE3, 0xC4})), -1);
  EXPECT_EQ(find_text("a" + chinese, bytes({0xE3, 0xC4}), 3), 3);
}

TEST(FindText, LoneLeadByteAtTheEnd) {
  // the walk tests the last byte before stepping off it
  EXPECT_EQ(find_text(bytes({'a', 0xB0}), bytes({0xB0})), 2);
  EXPECT_EQ(find_text(bytes({'a', 0xB0}), "x"), -1);
  EXPECT_EQ(find_text(bytes({0xB0, 0xB1, 0xB0}), bytes({0xB1})), -1);
}

TEST(FindText, CaseFoldingCoversAsciiLettersOnly) {
  EXPECT_EQ(find_text("Content-Length: 5", "content-length", 1, true), 1);
  EXPECT_EQ(find_text("Content-Length: 5", "content-length", 1, false), -1);
  EXPECT_EQ(find_text("xx<DD><A HREF=", "<dd><a href=", 1, true), 3);
  EXPECT_EQ(find_text("HtMl", "html", 1, true), 1);
  EXPECT_EQ(find_text("@[", "`{", 1, true), -1);  // neighbours of the letters fold to nothing
  // trail bytes are folded too: 0xB0 0x41 matches 0xB0 0x61
  EXPECT_EQ(find_text(bytes({'x', 0xB0, 0x41}), bytes({0xB0, 0x61}), 1, true), 2);
  EXPECT_EQ(find_text(bytes({0xB0, 0x41, 'a'}), "A", 1, true), 3);
}

TEST(FindText, AgreesWithTheCharacterWalkOnRandomTexts) {
  // A small alphabet of ASCII, lead and letter bytes makes boundary cases common.
  const unsigned char alphabet[] = {'a', 'A', 'b', '<', ' ', ' ', 0xA1, 0xA1, 0xB0, 0x41, 0xE3, 0x80};
  std::mt19937 rng(12345);
  auto random_text = [&](std::size_t max_length) {
    std::string s(rng() % (max_length + 1), '\0');
    for (char& c : s) c = static_cast<char>(alphabet[rng() % sizeof alphabet]);
    return s;
  };
  for (int round = 0; round < 20000; ++round) {
    const std::string text = random_text(rng() % 4 == 0 ? 200 : 24);
    const std::string sought = random_text(3);
    const int start = static_cast<int>(rng() % 30) - 2;
    const bool fold = rng() % 2 == 0;
    ASSERT_EQ(find_text(text, sought, start, fold), lv::test::ref_find_text(text, sought, start, fold))
        << "round " << round;
    ASSERT_EQ(trim_both(text), lv::test::ref_trim(text)) << "round " << round;
    ASSERT_EQ(replace_text(text, sought, "#", start, std::nullopt, !fold),
              lv::test::ref_replace_text(text, sought, "#", start, std::nullopt, !fold))
        << "round " << round;
  }
}

TEST(ReplaceRange, ClampsStartAndLength) {
  EXPECT_EQ(replace_range("http://host/a", 1, 7), "host/a");
  EXPECT_EQ(replace_range("abc", 10, 2, "Z"), "abcZ");
  EXPECT_EQ(replace_range("abc", -3, 1, "Z"), "Zbc");
  EXPECT_EQ(replace_range("abc", 2, 99), "a");
  EXPECT_EQ(replace_range("abc", 2, -1, "Z"), "aZbc");
}

TEST(ReplaceText, IgnoresCaseUnlessAskedAndCountsFromStart) {
  EXPECT_EQ(replace_text("aXbxc", "x", "-"), "a-b-c");
  EXPECT_EQ(replace_text("aXbxc", "x", "-", std::nullopt, std::nullopt, true), "aXb-c");
  EXPECT_EQ(replace_text("aaa", "a", "b", 2, 1), "aba");
  EXPECT_EQ(replace_text("aaa", "a"), "");
  EXPECT_EQ(replace_text("aaaa", "aa", "a"), "aa");  // replaced text is not scanned again
}

TEST(ReplaceText, OmittedCountIsUnlimitedButZeroReplacesNothing) {
  EXPECT_EQ(replace_text("xxx", "x", "y"), "yyy");
  EXPECT_EQ(replace_text("xxx", "x", "y", 1, 0), "xxx");
  EXPECT_EQ(replace_text("xxx", "x", "y", 1, 2), "yyx");
}

TEST(ReplaceText, UnchangedCases) {
  EXPECT_EQ(replace_text("abc", "", "z"), "abc");
  EXPECT_EQ(replace_text("", "a", "z"), "");
  EXPECT_EQ(replace_text("abc", "a", "z", 4), "abc");
}

TEST(ReplaceText, StepsOverDoubleByteCharacters) {
  EXPECT_EQ(replace_text(bytes({0xB0, 0x41, 0x41}), "a", "-"), bytes({0xB0, 0x41, '-'}));
  // with a one-byte sought text the walk reaches a lone lead byte and drops it
  EXPECT_EQ(replace_text(bytes({'x', 'a', 0xB0}), "x", "y"), bytes({'y', 'a'}));
  // but not when the count stopped the walk before it
  EXPECT_EQ(replace_text(bytes({'x', 'a', 0xB0}), "x", "y", 1, 1), bytes({'y', 'a', 0xB0}));
  // nor with a longer sought text, whose walk ends earlier
  EXPECT_EQ(replace_text(bytes({'x', 'a', 0xB0}), "xa", "y"), bytes({'y', 0xB0}));
}

TEST(TrimBoth, RemovesSpacesAndFullWidthSpacesOnly) {
  EXPECT_EQ(trim_both(bytes({0x20, 0xA1, 0xA1, 'a', 0x20, 'b', 0xA1, 0xA1, 0x20})), "a b");
  EXPECT_EQ(trim_both("\tx\r\n"), "\tx\r\n");
  EXPECT_EQ(trim_both("   "), "");
  EXPECT_EQ(trim_both(""), "");
  // 0xA1 0xA1 as the trail of one character and the lead of the next is no blank
  EXPECT_EQ(trim_both(bytes({'x', 0xB0, 0xA1, 0xA1, 0xB0})), bytes({'x', 0xB0, 0xA1, 0xA1, 0xB0}));
  // a space that is a trail byte is no blank
  EXPECT_EQ(trim_both(bytes({'x', 0xB0, 0x20})), bytes({'x', 0xB0, 0x20}));
  // a broken character at the end is cut off
  EXPECT_EQ(trim_both(bytes({'a', 'b', 0xB0})), "ab");
}

TEST(TrimBoth, LongTextsKeepTheirCharacterBoundaries) {
  EXPECT_EQ(trim_both("abcdefg\xB0"), "abcdefg");
  EXPECT_EQ(trim_both("  abcdefghijk  "), "abcdefghijk");
  EXPECT_EQ(trim_both("\xB0" "abcdefgh "), "\xB0" "abcdefgh");
  std::string chinese;
  for (int i = 0; i < 9; ++i) chinese += "\xC4\xE3";  // 你
  EXPECT_EQ(trim_both(chinese + "\xA1\xA1 \xA1\xA1"), chinese);
  EXPECT_EQ(trim_both(chinese + "\xB0"), chinese);
  EXPECT_EQ(trim_both("x" + chinese + " "), "x" + chinese);
  EXPECT_EQ(trim_both(chinese + "\xB0 "), chinese + "\xB0 ");  // the space is a trail byte
}

TEST(CaseMapping, LeavesDoubleByteCharactersAlone) {
  EXPECT_EQ(to_upper("abZ1"), "ABZ1");
  EXPECT_EQ(to_lower("ABz1"), "abz1");
  EXPECT_EQ(to_upper(bytes({0xB0, 'a', 'a'})), bytes({0xB0, 'a', 'A'}));
  EXPECT_EQ(to_lower(bytes({'A', 0xB0})), bytes({'a', 0xB0}));
}

TEST(MakeSpacesAndCompare, Basics) {
  EXPECT_EQ(make_spaces(3), "   ");
  EXPECT_EQ(make_spaces(0), "");
  EXPECT_EQ(make_spaces(-2), "");
  EXPECT_EQ(compare_text("HTTP://", "http://", false), 0);
  EXPECT_NE(compare_text("HTTP://", "http://", true), 0);
  EXPECT_LT(compare_text("ab", "abc", true), 0);
  EXPECT_GT(compare_text(bytes({0xB0}), "a", true), 0);
}

TEST(ByteSets, KeepZeroBytesAndClampCounts) {
  const Bytes b = Bytes::from_string(std::string("a\0b", 3));
  EXPECT_EQ(bytes_length(b), 3);
  EXPECT_EQ(bytes_left(b, 2).view(), std::string_view("a\0", 2));
  EXPECT_TRUE(bytes_left(b, -1).empty());
  EXPECT_EQ(bytes_left(b, 10), b);
  EXPECT_EQ(make_zero_bytes(2).view(), std::string_view("\0\0", 2));
  EXPECT_TRUE(make_zero_bytes(0).empty());
  EXPECT_EQ((b + Bytes::from_string("c")).view(), std::string_view("a\0bc", 4));
  EXPECT_TRUE((Bytes() + Bytes()).empty());
  EXPECT_EQ(to_bytes(b), b);
}

}  // namespace
}  // namespace lv::base
