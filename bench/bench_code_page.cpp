// Code page conversions on 64 MiB inputs that are all refusals (invalid GBK,
// invalid UTF-8, characters GBK lacks) and on ordinary Chinese text, beside
// the iconv walk that restarts after every refusal (on 1 MiB, which is
// plenty to show its cost per refusal); and the build of the tables behind
// them, which every process pays once.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <memory>
#include <random>
#include <string>
#include <string_view>

#include "../tests/support/iconv_reference.h"
#include "base/code_page.h"
#include "base/gbk_table.h"

namespace {

using lv::base::Bytes;

constexpr std::size_t kBig = 64u << 20;
constexpr std::size_t kSmall = 1u << 20;

// `pieces` repeated up to `size` bytes, picked at random so no period shows.
std::string fill(std::size_t size, std::initializer_list<std::string_view> pieces) {
  std::mt19937 rng(936);
  const std::vector<std::string_view> list(pieces);
  std::uniform_int_distribution<std::size_t> pick(0, list.size() - 1);
  std::string out;
  out.reserve(size + 8);
  while (out.size() < size) out += list[pick(rng)];
  out.resize(size);
  return out;
}

// 0xFF is never a GBK byte; 0x81 0x20 is a lead byte without a trail; A2 A0
// has the shape of a character but no mapping.
std::string invalid_gbk(std::size_t size) { return fill(size, {"\xFF", "\x81\x20", "\xA2\xA0", "\xFE"}); }

// Bytes that never start a UTF-8 character, and broken sequences.
std::string invalid_utf8(std::size_t size) { return fill(size, {"\xFF", "\x80", "\xBF", "\xC3(", "\xE4\xB8"}); }

// Emoji and Thai: well-formed UTF-8, none of it in GBK.
std::string outside_gbk(std::size_t size) {
  return fill(size, {"\xF0\x9F\x98\x80", "\xF0\x9F\x8E\x89", "\xE0\xB8\x81", "\xE0\xB9\x84"});
}

// Common hanzi (lead B0..D7, trail A1..FE) with some ASCII and punctuation.
std::string chinese_gbk(std::size_t size) {
  std::mt19937 rng(7);
  std::uniform_int_distribution<int> lead(0xB0, 0xD7), trail(0xA1, 0xFE), roll(0, 19);
  std::string out;
  out.reserve(size + 2);
  while (out.size() < size) {
    const int r = roll(rng);
    if (r == 0) {
      out += "\xA3\xAC";  // ，
    } else if (r == 1) {
      out += "<br />";
    } else {
      out += static_cast<char>(lead(rng));
      out += static_cast<char>(trail(rng));
    }
  }
  return out;
}

template <typename Convert>
void run(benchmark::State& state, const std::string& in, Convert convert) {
  for (auto _ : state) {
    auto out = convert(in);
    benchmark::DoNotOptimize(out.data());
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * in.size()));
}

// The big inputs are made once and shared (the generator is slower than the conversions).
const std::string& big_invalid_gbk() {
  static const std::string in = invalid_gbk(kBig);
  return in;
}
const std::u16string& big_chinese_utf16() {
  static const std::u16string units = lv::base::gbk_to_utf16(chinese_gbk(kBig));
  return units;
}

void BM_GbkToUtf8_InvalidGbk(benchmark::State& state) { run(state, big_invalid_gbk(), lv::base::gbk_to_utf8); }
void BM_GbkToUtf16_InvalidGbk(benchmark::State& state) { run(state, big_invalid_gbk(), lv::base::gbk_to_utf16); }
void BM_Utf8ToGbk_InvalidUtf8(benchmark::State& state) {
  static const std::string in = invalid_utf8(kBig);
  run(state, in, lv::base::utf8_to_gbk);
}
void BM_Utf8ToGbk_OutsideGbk(benchmark::State& state) {
  static const std::string in = outside_gbk(kBig);
  run(state, in, lv::base::utf8_to_gbk);
}
// Chinese text in MiB given by the argument (1 MiB to set beside the iconv walk).
void BM_GbkToUtf8_Chinese(benchmark::State& state) {
  const std::string in = chinese_gbk(static_cast<std::size_t>(state.range(0)) << 20);
  run(state, in, lv::base::gbk_to_utf8);
}
void BM_Utf8ToGbk_Chinese(benchmark::State& state) {
  const std::string in = lv::base::gbk_to_utf8(chinese_gbk(static_cast<std::size_t>(state.range(0)) << 20));
  run(state, in, lv::base::utf8_to_gbk);
}
void BM_Utf16ToGbk_Chinese(benchmark::State& state) {
  const std::u16string& units = big_chinese_utf16();
  for (auto _ : state) benchmark::DoNotOptimize(lv::base::utf16_to_gbk(units).data());
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * units.size() * 2));
}
void BM_WideToGbk_Chinese(benchmark::State& state) {
  static const Bytes le(big_chinese_utf16().data(), big_chinese_utf16().size() * 2);
  for (auto _ : state) benchmark::DoNotOptimize(lv::base::wide_to_gbk(le).data());
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * le.size()));
}

BENCHMARK(BM_GbkToUtf8_InvalidGbk)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GbkToUtf16_InvalidGbk)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Utf8ToGbk_InvalidUtf8)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Utf8ToGbk_OutsideGbk)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GbkToUtf8_Chinese)->Arg(1)->Arg(64)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Utf8ToGbk_Chinese)->Arg(1)->Arg(64)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Utf16ToGbk_Chinese)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WideToGbk_Chinese)->Unit(benchmark::kMillisecond);

// What the first conversion of a process pays: building the tables. (The
// first build also meets the page faults of its 650 KB and the loading of
// iconv's module; the repeated builds here do not.)
void BM_TableBuild(benchmark::State& state) {
  for (auto _ : state) {
    const auto table = std::make_unique<lv::base::GbkTable>();
    benchmark::DoNotOptimize(table.get());
  }
}
BENCHMARK(BM_TableBuild)->Unit(benchmark::kMicrosecond);

// The iconv walk, one restart per refusal, on 1 MiB.
void BM_IconvWalk_GbkToUtf8_InvalidGbk(benchmark::State& state) {
  static const std::string in = invalid_gbk(kSmall);
  run(state, in, lv::test::ref_gbk_to_utf8);
}
void BM_IconvWalk_Utf8ToGbk_InvalidUtf8(benchmark::State& state) {
  static const std::string in = invalid_utf8(kSmall);
  run(state, in, lv::test::ref_utf8_to_gbk);
}
void BM_IconvWalk_Utf8ToGbk_OutsideGbk(benchmark::State& state) {
  static const std::string in = outside_gbk(kSmall);
  run(state, in, lv::test::ref_utf8_to_gbk);
}
void BM_IconvWalk_GbkToUtf8_Chinese(benchmark::State& state) {
  static const std::string in = chinese_gbk(kSmall);
  run(state, in, lv::test::ref_gbk_to_utf8);
}
void BM_IconvWalk_Utf8ToGbk_Chinese(benchmark::State& state) {
  static const std::string in = lv::test::ref_gbk_to_utf8(chinese_gbk(kSmall));
  run(state, in, lv::test::ref_utf8_to_gbk);
}

BENCHMARK(BM_IconvWalk_GbkToUtf8_InvalidGbk)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_IconvWalk_Utf8ToGbk_InvalidUtf8)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_IconvWalk_Utf8ToGbk_OutsideGbk)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_IconvWalk_GbkToUtf8_Chinese)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_IconvWalk_Utf8ToGbk_Chinese)->Unit(benchmark::kMillisecond);

}  // namespace
