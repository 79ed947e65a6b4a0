// Exporting a long book: 1,669 chapters of about 8 KB of GBK text each, to
// EPUB and to TXT; building the EPUB's pages alone is measured beside the
// whole export, so the zip's share shows.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <filesystem>
#include <string>

#include "base/code_page.h"
#include "export/book_export.h"
#include "export/epub_package.h"

namespace {

constexpr int kChapters = 1669;
constexpr std::size_t kChapterBytes = 8 * 1024;

// Paragraphs of common GBK characters (rows B0-D7) picked by a fixed
// sequence, so the text compresses like prose rather than like a repeat.
lv::base::Text chapter_text(std::uint32_t seed) {
  lv::base::Text text;
  text.reserve(kChapterBytes + 128);
  std::uint32_t x = seed * 2654435761u + 1;
  while (text.size() < kChapterBytes) {
    text += "\xA1\xA1\xA1\xA1";  // two full-width spaces
    const std::uint32_t length = 40 + x % 120;
    for (std::uint32_t i = 0; i < length; ++i) {
      x = x * 1664525u + 1013904223u;
      text.push_back(static_cast<char>(0xB0 + (x >> 24) % 40));
      text.push_back(static_cast<char>(0xA1 + (x >> 16) % 94));
    }
    text += "\xA1\xA3\r\n\r\n";  // full stop, blank line
  }
  return text;
}

const lv::library::StoredBook& long_book() {
  static const lv::library::StoredBook book = [] {
    lv::library::StoredBook b;
    b.book = "http://127.0.0.1:8080/book/12/12345/";
    b.details.name = lv::base::gbk("剑破仙惊");
    b.details.author = lv::base::gbk("作者：无名");
    b.details.intro = lv::base::gbk("　　一部很长的书。");
    b.updated_at = 1700000000;
    b.cover = lv::base::Bytes::from_string(std::string("\xFF\xD8\xFF\xE0", 4) + std::string(30000, 'j'));
    for (int i = 0; i < kChapters; ++i) {
      b.chapters.push_back({i, lv::base::gbk("第" + std::to_string(i + 1) + "章 风起"),
                            std::to_string(i) + ".html", true, chapter_text(static_cast<std::uint32_t>(i)),
                            "", 1700000000});
    }
    return b;
  }();
  return book;
}

std::int64_t text_bytes(const lv::library::StoredBook& book) {
  std::int64_t n = 0;
  for (const auto& c : book.chapters) n += static_cast<std::int64_t>(c.text.size());
  return n;
}

std::string out_path(const char* name) {
  return (std::filesystem::temp_directory_path() / name).string();
}

void report(benchmark::State& state, const lv::library::StoredBook& book) {
  state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(book.chapters.size()));
  state.SetBytesProcessed(state.iterations() * text_bytes(book));
}

void BM_EpubPages(benchmark::State& state) {
  const auto& book = long_book();
  for (auto _ : state) benchmark::DoNotOptimize(lv::exporting::epub_package(book));
  report(state, book);
}
BENCHMARK(BM_EpubPages)->Unit(benchmark::kMillisecond);

void BM_WriteEpub(benchmark::State& state) {
  const auto& book = long_book();
  const std::string path = out_path("lorevane-bench.epub");
  for (auto _ : state) lv::exporting::write_epub(book, path);
  state.counters["file_MB"] = static_cast<double>(std::filesystem::file_size(path)) / 1e6;
  std::filesystem::remove(path);
  report(state, book);
}
BENCHMARK(BM_WriteEpub)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_WriteTxt(benchmark::State& state) {
  const auto& book = long_book();
  const auto encoding = state.range(0) == 0 ? lv::exporting::TextEncoding::utf8 : lv::exporting::TextEncoding::gbk;
  state.SetLabel(state.range(0) == 0 ? "utf8" : "gbk");
  const std::string path = out_path("lorevane-bench.txt");
  for (auto _ : state) lv::exporting::write_txt(book, path, encoding);
  state.counters["file_MB"] = static_cast<double>(std::filesystem::file_size(path)) / 1e6;
  std::filesystem::remove(path);
  report(state, book);
}
BENCHMARK(BM_WriteTxt)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
