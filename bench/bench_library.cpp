// The local library on disk: a whole book of 1,669 chapters of about 8 KB of
// GBK text each, stored one transaction per chapter as a download does, then
// read back whole, without texts, and asked what is left to fetch. The file
// lives in the system's temporary folder.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "library/library.h"

namespace {

using lv::library::Library;
using lv::library::StoredChapter;
using lv::library::Text;

constexpr int kChapters = 1669;
constexpr std::size_t kChapterBytes = 8 * 1024;
const std::string kBook = "/book/88/88123/";

// Common hanzi (lead B0..D7, trail A1..FE) in paragraphs, as the reader shows them.
std::vector<Text> make_texts() {
  std::mt19937 rng(7);
  std::uniform_int_distribution<int> lead(0xB0, 0xD7), trail(0xA1, 0xFE);
  std::vector<Text> texts(kChapters);
  for (Text& text : texts) {
    while (text.size() < kChapterBytes) {
      text += "\xA1\xA1\xA1\xA1";  // two full-width spaces open a paragraph
      for (int i = 0; i < 120; ++i) {
        text.push_back(static_cast<char>(lead(rng)));
        text.push_back(static_cast<char>(trail(rng)));
      }
      text += "\r\n";
    }
  }
  return texts;
}

std::vector<StoredChapter> make_list() {
  std::vector<StoredChapter> list(kChapters);
  for (int i = 0; i < kChapters; ++i) {
    list[static_cast<std::size_t>(i)].title = "\xB5\xDA" + std::to_string(i + 1) + "\xD5\xC2";  // 第N章
    list[static_cast<std::size_t>(i)].address = std::to_string(4000000 + i) + ".html";
  }
  return list;
}

class Folder final {
 public:
  Folder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "lorevane-bench-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("no temporary folder");
    path_ = pattern;
  }
  ~Folder() { std::filesystem::remove_all(path_); }
  std::string file() const { return path_ + "/library.sqlite3"; }

 private:
  std::string path_;
};

void store_book(Library& library, const std::vector<Text>& texts, const std::vector<StoredChapter>& list) {
  library.save_book(kBook, {"name", "/cover.jpg", "author", "category", "status", "intro"}, {});
  library.save_chapter_list(kBook, list);
  for (int i = 0; i < kChapters; ++i)
    library.save_chapter_text(kBook, i, texts[static_cast<std::size_t>(i)], 1700000000 + i);
}

std::int64_t text_bytes(const std::vector<Text>& texts) {
  std::int64_t total = 0;
  for (const Text& text : texts) total += static_cast<std::int64_t>(text.size());
  return total;
}

// A fresh file per iteration: open, book details, chapter list, every chapter
// in its own transaction.
void BM_StoreBook(benchmark::State& state) {
  const std::vector<Text> texts = make_texts();
  const std::vector<StoredChapter> list = make_list();
  for (auto _ : state) {
    state.PauseTiming();
    auto folder = std::make_unique<Folder>();
    state.ResumeTiming();
    Library library = Library::open(folder->file());
    store_book(library, texts, list);
    state.PauseTiming();
    state.counters["file_MB"] = static_cast<double>(std::filesystem::file_size(folder->file()) +
                                                    std::filesystem::file_size(folder->file() + "-wal")) /
                                1e6;
    folder.reset();
    state.ResumeTiming();
  }
  state.SetItemsProcessed(state.iterations() * kChapters);
  state.SetBytesProcessed(state.iterations() * text_bytes(texts));
}
BENCHMARK(BM_StoreBook)->Unit(benchmark::kMillisecond)->UseRealTime();

// Reading the stored book back from a file written once.
class StoredBookFixture : public benchmark::Fixture {
 public:
  void SetUp(const benchmark::State&) override {
    if (folder_) return;
    texts_ = make_texts();
    folder_ = std::make_unique<Folder>();
    Library library = Library::open(folder_->file());
    store_book(library, texts_, make_list());
  }
  void TearDown(const benchmark::State&) override {}

 protected:
  static inline std::unique_ptr<Folder> folder_;
  static inline std::vector<Text> texts_;
};

BENCHMARK_DEFINE_F(StoredBookFixture, BM_ReadBook)(benchmark::State& state) {
  Library library = Library::open(folder_->file());
  const bool with_texts = state.range(0) != 0;
  for (auto _ : state) {
    auto book = library.book(kBook, with_texts);
    if (!book || book->chapters.size() != kChapters) state.SkipWithError("book not read back");
    benchmark::DoNotOptimize(book);
  }
  state.SetItemsProcessed(state.iterations() * kChapters);
  if (with_texts) state.SetBytesProcessed(state.iterations() * text_bytes(texts_));
}
BENCHMARK_REGISTER_F(StoredBookFixture, BM_ReadBook)->ArgName("with_texts")->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond);

BENCHMARK_DEFINE_F(StoredBookFixture, BM_ChaptersToFetch)(benchmark::State& state) {
  Library library = Library::open(folder_->file());
  for (auto _ : state) benchmark::DoNotOptimize(library.chapters_to_fetch(kBook));
  state.SetItemsProcessed(state.iterations() * kChapters);
}
BENCHMARK_REGISTER_F(StoredBookFixture, BM_ChaptersToFetch)->Unit(benchmark::kMicrosecond);

}  // namespace
