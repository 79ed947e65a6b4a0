// Exporting a long book: 1,669 chapters of about 8 KB of GBK text each, to
// EPUB and to TXT; building the EPUB's pages alone is measured beside the
// whole export, so the zip's share shows. Then the sample site's longest book
// (1,794 chapters) in each Chinese script: the conversion alone, on one
// thread, beside a plain copy of the same texts, and whole exports.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <filesystem>
#include <string>

#include "base/code_page.h"
#include "export/book_export.h"
#include "export/chinese_script.h"
#include "export/epub_package.h"
#include "sample_site/sample_site.h"
#include "scrape/chapter_text.h"

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
    const lv::site::SampleSite site;  // a cover as a site sends it, checked before it goes in
    b.cover = lv::base::Bytes::from_string(
        site.get(site.cover_path(site.find_book_with_cover(lv::site::CoverKind::picture)), "127.0.0.1:8080")->body);
    for (int i = 0; i < kChapters; ++i) {
      b.chapters.push_back({i, lv::base::gbk("第" + std::to_string(i + 1) + "章 风起"),
                            std::to_string(i) + ".html", true, chapter_text(static_cast<std::uint32_t>(i)),
                            {}, 1700000000});
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

// The sample site's longest book as the library stores it: the chapter texts
// cut out of the chapter pages as a download cuts them.
const lv::library::StoredBook& longest_sample_book() {
  static const lv::library::StoredBook book = [] {
    const lv::site::SampleSite site;
    int id = 0;
    for (int candidate : site.book_ids()) {
      if (id == 0 || site.chapter_count(candidate) > site.chapter_count(id)) id = candidate;
    }
    constexpr const char* kHost = "127.0.0.1:8080";
    const auto summary = site.book_by_id(id);
    lv::library::StoredBook b;
    b.book = std::string("http://") + kHost + lv::site::SampleSite::book_path(id);
    b.details.name = summary.title;
    b.details.author = lv::base::gbk("作者：") + summary.author;
    b.details.intro = lv::base::gbk("　　一部很长的书。");
    b.updated_at = 1700000000;
    if (const auto cover = site.get(site.cover_path(id), kHost); cover && cover->status == 200) {
      b.cover = lv::base::Bytes::from_string(cover->body);
    }
    const auto links = site.chapters(id);
    for (std::size_t i = 0; i < links.size(); ++i) {
      auto page = site.get(site.chapter_path(id, static_cast<int>(i)), kHost);
      b.chapters.push_back({static_cast<int>(i), links[i].title, links[i].address, true,
                            lv::scrape::parse_chapter_text(std::move(page->body)), {}, 1700000000});
    }
    return b;
  }();
  return book;
}

constexpr lv::exporting::ChineseScript kScripts[] = {
    lv::exporting::ChineseScript::as_written, lv::exporting::ChineseScript::s2t, lv::exporting::ChineseScript::s2tw,
    lv::exporting::ChineseScript::s2hk, lv::exporting::ChineseScript::t2s};

lv::exporting::ChineseScript script_of(benchmark::State& state) {
  const auto script = kScripts[state.range(0)];
  state.SetLabel(script == lv::exporting::ChineseScript::as_written ? "as written"
                                                                     : std::string(lv::exporting::script_name(script)));
  return script;
}

// The longest book's texts in UTF-8, copied (as written) or converted, one
// chapter after the other on one thread; bytes are the UTF-8 read.
void BM_ConvertLongestBook(benchmark::State& state) {
  const auto script = script_of(state);
  std::vector<std::string> texts;
  std::int64_t bytes = 0;
  for (const auto& chapter : longest_sample_book().chapters) {
    texts.push_back(lv::base::gbk_to_utf8(chapter.text));
    bytes += static_cast<std::int64_t>(texts.back().size());
  }
  const auto* converter = lv::exporting::shared_chinese_converter(script);
  for (auto _ : state) {
    for (const std::string& text : texts) {
      std::string out = converter != nullptr ? converter->convert_utf8(text) : std::string(text);
      benchmark::DoNotOptimize(out);
    }
  }
  state.counters["chapters"] = static_cast<double>(texts.size());
  state.SetBytesProcessed(state.iterations() * bytes);
}
BENCHMARK(BM_ConvertLongestBook)->DenseRange(0, 4)->Unit(benchmark::kMillisecond);

void BM_WriteEpubLongestBook(benchmark::State& state) {
  const auto& book = longest_sample_book();
  const auto script = script_of(state);
  const std::string path = out_path("lorevane-bench-longest.epub");
  for (auto _ : state) lv::exporting::write_epub(book, path, script);
  state.counters["file_MB"] = static_cast<double>(std::filesystem::file_size(path)) / 1e6;
  std::filesystem::remove(path);
  report(state, book);
}
BENCHMARK(BM_WriteEpubLongestBook)->DenseRange(0, 4)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_WriteGbkTxtLongestBook(benchmark::State& state) {
  const auto& book = longest_sample_book();
  const auto script = script_of(state);
  const std::string path = out_path("lorevane-bench-longest.txt");
  std::size_t unheld = 0;
  for (auto _ : state) unheld = lv::exporting::write_txt(book, path, lv::exporting::TextEncoding::gbk, script).unheld_characters;
  state.counters["file_MB"] = static_cast<double>(std::filesystem::file_size(path)) / 1e6;
  state.counters["unheld"] = static_cast<double>(unheld);
  std::filesystem::remove(path);
  report(state, book);
}
BENCHMARK(BM_WriteGbkTxtLongestBook)->DenseRange(0, 4)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
