// Random numbers, the clock and the program's stop.
#include <gtest/gtest.h>

#include <cstdint>
#include <ctime>
#include <thread>

#include "base/code_page.h"
#include "base/date_time.h"
#include "base/program_end.h"
#include "base/random.h"

namespace lv::base {
namespace {

// The generator written out again, independently of the library.
struct Lcg {
  std::uint32_t x;
  int next() {
    x = x * 214013u + 2531011u;
    return static_cast<int>((x >> 16) & 0x7FFF);
  }
};

TEST(Random, SeedOneGivesTheFormulaSequence) {
  random_seed(1u);
  Lcg lcg{1};
  for (int i = 0; i < 50; ++i) ASSERT_EQ(random_int(1, 9), 1 + lcg.next() % 9) << i;
  // the first draws after seed 1, worked out by hand: 41, 18467, 6334, 26500
  random_seed(1u);
  EXPECT_EQ(random_int(0, 32767), 41);
  EXPECT_EQ(random_int(0, 32767), 18467);
  EXPECT_EQ(random_int(0, 32767), 6334);
  EXPECT_EQ(random_int(0, 32767), 26500);
}

TEST(Random, EveryThreadStartsAtOne) {
  int first = -1;
  std::thread([&] { first = random_int(); }).join();
  EXPECT_EQ(first, Lcg{1}.next());
}

TEST(Random, BoundsAreSwappedClampedAndEqualBoundsDoNotDraw) {
  random_seed(7u);
  Lcg lcg{7};
  EXPECT_EQ(random_int(9, 1), 1 + lcg.next() % 9);
  EXPECT_EQ(random_int(5, 5), 5);
  EXPECT_EQ(random_state(), lcg.x);  // no draw was made
  EXPECT_EQ(random_int(-3, 2), lcg.next() % 3);
  EXPECT_EQ(random_int(-3, -8), 0);
  // the widest span is lowered to 2147483646, so the modulus is 2147483647
  EXPECT_EQ(random_int(), lcg.next() % 2147483647);
  EXPECT_EQ(random_int(10, std::nullopt), 10 + lcg.next() % 2147483638);
}

TEST(Random, TimeSeedingWithinOneTickDiffers) {
  random_seed_from_tick(5000);
  const std::uint32_t a = random_state();
  random_seed_from_tick(5000);
  const std::uint32_t b = random_state();
  random_seed_from_tick(5000);
  const std::uint32_t c = random_state();
  EXPECT_NE(a, b);
  EXPECT_NE(b, c);
  // the counter moves on by ((tick + g) & 0xFF) + 100 at each seeding
  const std::uint32_t g = a - 5000u;
  EXPECT_EQ(b - 5000u, g + ((5000u + g) & 0xFFu) + 100u);
}

TEST(DateTime, LocalTimeIsTakenApart) {
  std::tm tm{};
  tm.tm_year = 2014 - 1900;
  tm.tm_mon = 4;
  tm.tm_mday = 3;
  tm.tm_hour = 8;
  tm.tm_min = 0;
  tm.tm_sec = 7;
  tm.tm_isdst = -1;
  const DateTime expected{2014, 5, 3, 8, 0, 7};
  EXPECT_EQ(date_time_from_local(std::mktime(&tm)), expected);
  const DateTime now = current_time();
  EXPECT_GE(now.year, 2020);
  EXPECT_LE(now.second, 59);
}

TEST(DateTime, YearsAreClampedTo100Through9999) {
  const DateTime last{9999, 12, 31, 23, 59, 59};
  const DateTime first{100, 1, 1, 0, 0, 0};
  EXPECT_EQ(date_time_from_local(static_cast<std::time_t>(400000000000LL)), last);
  EXPECT_EQ(date_time_from_local(static_cast<std::time_t>(-70000000000LL)), first);
}

TEST(RuntimeError, MessagesAndBoxText) {
  EXPECT_EQ(gbk_to_utf8(runtime_error_message(1)), "数组成员引用下标超出定义范围");
  EXPECT_EQ(gbk_to_utf8(runtime_error_message(4)), "数组成员引用下标必须大于等于1");
  EXPECT_EQ(gbk_to_utf8(runtime_error_message(5)), "数据或数组类型不匹配");
  EXPECT_EQ(gbk_to_utf8(runtime_error_message(6)), "调用DLL命令后发现堆栈错误");
  EXPECT_EQ(runtime_error_message(2), "");
  EXPECT_EQ(gbk_to_utf8(runtime_error_text(4, runtime_error_message(4))),
            "运行时出错!\r\n\r\n错误代码：4\r\n\r\n错误信息：数组成员引用下标必须大于等于1\r\n");
}

using RuntimeErrorDeathTest = ::testing::Test;

TEST_F(RuntimeErrorDeathTest, ShowsTheBoxRunsCleanupsAndExitsWithMinusOne) {
  EXPECT_EXIT(
      {
        register_cleanup([] { std::fputs("first cleanup\n", stderr); });
        register_cleanup([] { std::fputs("second cleanup\n", stderr); });
        set_runtime_error_presenter([](const Text& title, const Text& body) {
          std::fprintf(stderr, "[%s] %s", gbk_to_utf8(title).c_str(), gbk_to_utf8(body).c_str());
        });
        report_runtime_error(1);
      },
      ::testing::ExitedWithCode(255),
      "\\[错误\\] 运行时出错!.*错误代码：1.*超出定义范围.*first cleanup\nsecond cleanup");
}

TEST_F(RuntimeErrorDeathTest, WithoutAPresenterTheTextGoesToStandardError) {
  EXPECT_EXIT(report_runtime_error(6), ::testing::ExitedWithCode(255), "错误.*调用DLL命令后发现堆栈错误");
}

TEST_F(RuntimeErrorDeathTest, AFailureInsideThePresenterStillEnds) {
  EXPECT_EXIT(
      {
        set_runtime_error_presenter([](const Text&, const Text&) {
          std::fputs("presenting\n", stderr);
          report_runtime_error(4);
        });
        report_runtime_error(1);
      },
      ::testing::ExitedWithCode(255), "presenting\n$");
}

TEST_F(RuntimeErrorDeathTest, EndProgramRunsCleanupsOnce) {
  EXPECT_EXIT(
      {
        static int runs = 0;
        register_cleanup([] { std::fprintf(stderr, "cleanup run %d\n", ++runs); });
        run_cleanups();
        end_program(3);
      },
      ::testing::ExitedWithCode(3), "cleanup run 1\n$");
}

}  // namespace
}  // namespace lv::base
