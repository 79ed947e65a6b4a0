#include "base/convert.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <limits>

#include "base/code_page.h"
#include "support/test_support.h"

namespace lv::base {
namespace {

using lv::test::bytes;

TEST(HalfWidth, MapsTheFullWidthTable) {
  // 　 A1A1, ～ A1AB, ※-like A1EE/A1EF, ０ A3B0, Ａ A3C1, ｚ A3FA, ！ A3A1
  EXPECT_EQ(half_width(bytes({0xA1, 0xA1, 0xA1, 0xAB, 0xA1, 0xEE, 0xA1, 0xEF})), " ~**");
  EXPECT_EQ(half_width(bytes({0xA3, 0xB0, 0xA3, 0xC1, 0xA3, 0xFA, 0xA3, 0xA1})), "0Az!");
  // other characters stay, single bytes stay, a lone lead at the end goes
  EXPECT_EQ(half_width(bytes({0xB0, 0xA1, ' ', 'x', 0xA3})), bytes({0xB0, 0xA1, ' ', 'x'}));
  // 0xA3 as a trail byte is not a lead: 0xB0 0xA3 then 0xB1 0xA3
  EXPECT_EQ(half_width(bytes({0xB0, 0xA3, 0xB1, 0xA3})), bytes({0xB0, 0xA3, 0xB1, 0xA3}));
}

TEST(ToInt, ReadsLeadingDecimal) {
  EXPECT_EQ(to_int(bytes({0xA3, 0xB1, 0xA3, 0xB2})), 12);
  EXPECT_EQ(to_int("  -7px"), -7);
  EXPECT_EQ(to_int("abc"), 0);
  EXPECT_EQ(to_int("123abc"), 123);
  EXPECT_EQ(to_int("\t\n+42"), 42);
  EXPECT_EQ(to_int("- 4"), 0);
  EXPECT_EQ(to_int(bytes({0xA1, 0xA1, 0xA3, 0xAD, 0xA3, 0xB5})), -5);  // full-width space, minus, 5
  EXPECT_EQ(to_int(""), 0);
}

TEST(ToInt, SaturatesOutsideThe32BitRange) {
  EXPECT_EQ(to_int("2147483647"), INT_MAX);
  EXPECT_EQ(to_int("-2147483648"), INT_MIN);
  EXPECT_EQ(to_int("99999999999999999999"), INT_MAX);
  EXPECT_EQ(to_int("-99999999999999999999"), INT_MIN);
}

TEST(ToInt, DoubleTruncatesTowardZero) {
  EXPECT_EQ(to_int(-2.9), -2);
  EXPECT_EQ(to_int(2.9), 2);
  EXPECT_EQ(to_int(1e300), INT_MAX);
  EXPECT_EQ(to_int(-1e300), INT_MIN);
  EXPECT_EQ(to_int(std::nan("")), 0);
}

TEST(ToNumber, ReadsAFloatingPointPrefix) {
  EXPECT_DOUBLE_EQ(to_number("2.5kg"), 2.5);
  EXPECT_DOUBLE_EQ(to_number(" -1.5e3x"), -1500.0);
  EXPECT_DOUBLE_EQ(to_number("1e"), 1.0);
  EXPECT_DOUBLE_EQ(to_number(".5"), 0.5);
  EXPECT_DOUBLE_EQ(to_number("7."), 7.0);
  EXPECT_DOUBLE_EQ(to_number("abc"), 0.0);
  EXPECT_DOUBLE_EQ(to_number("."), 0.0);
  EXPECT_DOUBLE_EQ(to_number("inf"), 0.0);
  EXPECT_DOUBLE_EQ(to_number(bytes({0xA3, 0xB3, 0xA3, 0xAE, 0xA3, 0xB5})), 3.5);  // ３．５
  EXPECT_TRUE(std::isinf(to_number("1e999")));
  EXPECT_DOUBLE_EQ(to_number("1e-999"), 0.0);
  EXPECT_TRUE(std::isinf(to_number("1" + std::string(400, '0') + "e-10")));  // large despite the minus
  EXPECT_DOUBLE_EQ(to_number("0.1e-999"), 0.0);
}

TEST(ToText, Numbers) {
  EXPECT_EQ(to_text(0), "0");
  EXPECT_EQ(to_text(-17), "-17");
  EXPECT_EQ(to_text(INT_MIN), "-2147483648");
  EXPECT_EQ(to_text(to_int("41") + 1.0), "42");
  EXPECT_EQ(to_text(1.0), "1");
  EXPECT_EQ(to_text(2.5), "2.5");
  EXPECT_EQ(to_text(0.1), "0.1");
  EXPECT_EQ(to_text(1.0 / 3.0), "0.3333333333333");
  EXPECT_EQ(to_text(1234567890123.0), "1234567890123");
  EXPECT_EQ(to_text(12345678901234.0), "1.234567890123e+13");
  EXPECT_EQ(to_text(1e-5), "1e-05");
}

TEST(ToText, TruthValuesByteSetsAndTexts) {
  EXPECT_EQ(to_text(true), gbk("真"));
  EXPECT_EQ(to_text(false), gbk("假"));
  EXPECT_EQ(to_text("abc"), "abc");
  EXPECT_EQ(to_text(Bytes::from_string(std::string("a\0b", 3))), "a");
  EXPECT_EQ(to_text(Bytes::from_string("ab")), "ab");
  EXPECT_EQ(bytes_to_value(Bytes::from_string(std::string("a\0b", 3))), "a");
}

TEST(ToText, DateTimeDropsZeroTimeParts) {
  auto text = [](int y, int mo, int d, int h, int mi, int s) {
    return gbk_to_utf8(to_text(DateTime{y, mo, d, h, mi, s}));
  };
  EXPECT_EQ(text(2014, 5, 3, 8, 0, 7), "2014年5月3日8时0分7秒");
  EXPECT_EQ(text(2014, 5, 3, 8, 30, 0), "2014年5月3日8时30分");
  EXPECT_EQ(text(2014, 5, 3, 8, 0, 0), "2014年5月3日8时");
  EXPECT_EQ(text(2014, 5, 3, 0, 0, 0), "2014年5月3日");
  EXPECT_EQ(text(2014, 12, 31, 10, 0, 0), "2014年12月31日10时");
  EXPECT_EQ(text(2014, 1, 1, 0, 5, 0), "2014年1月1日0时5分");
  EXPECT_EQ(text(2014, 1, 1, 0, 0, 9), "2014年1月1日0时0分9秒");
}

using ConvertDeathTest = ::testing::Test;

TEST_F(ConvertDeathTest, ReadingAnUnknownValueTypeStopsTheProgram) {
  EXPECT_EXIT(bytes_to_value(Bytes::from_string("a"), static_cast<ValueType>(3)),
              ::testing::ExitedWithCode(255), "欲取出数据的类型");
}

}  // namespace
}  // namespace lv::base
