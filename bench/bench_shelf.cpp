// A reader's library of 500 books (the sample site's first 500, about 230,000
// chapters, each stored with a short text): the bookshelf's summaries, an
// update of every book when nothing changed on a site answering in 20 ms,
// and a search through every stored text beside a plain byte search of the
// same texts in memory. The library is built once, straight into the file.
#include <benchmark/benchmark.h>

#include <chrono>
#include <string>
#include <vector>

#include "library/library.h"
#include "routines/search_library.h"
#include "routines/update_books.h"
#include "shelf_library.h"

namespace {

constexpr int kBooks = 500;
// 灵脉 (C1E9 C2F6): planted in every 50th text, so the search has hits to report.
const std::string kSought = "\xC1\xE9\xC2\xF6";

using Shelf = lv::bench::ShelfLibrary;

Shelf& shelf() {
  static Shelf instance(lv::bench::ShelfOptions{kBooks, 600, true, 0, kSought});
  return instance;
}

void BM_ShelfSummaries(benchmark::State& state) {
  Shelf& s = shelf();
  for (auto _ : state) {
    auto library = lv::library::Library::open_for_reading(s.path);
    benchmark::DoNotOptimize(library->books());
  }
  state.counters["books"] = kBooks;
}
BENCHMARK(BM_ShelfSummaries)->Unit(benchmark::kMillisecond);

// Every book page once, four at a time, at 20 ms per answer (the bound is
// 500 / 4 * 20 ms = 2.5 s) and at once (what the run itself costs, the
// sample site's own work included: process time).
void BM_UpdateUnchangedBooks(benchmark::State& state) {
  Shelf& s = shelf();
  s.server.set_delay_all(std::chrono::milliseconds(state.range(0)));
  s.server.reset_counts();
  lv::library::Library library = lv::library::Library::open(s.path);
  for (auto _ : state) {
    lv::routines::UpdateOptions options;
    options.jobs = 4;
    const auto report = lv::routines::update_books(s.books, library, options);
    int fetched = 0;
    for (const auto& book : report.books) fetched += book.fetched + book.list_change.added;
    if (fetched != 0) state.SkipWithError("the books were not unchanged");
  }
  s.server.set_delay_all(std::chrono::milliseconds(0));
  state.counters["books"] = kBooks;
  state.counters["requests"] = s.server.total_requests() / static_cast<double>(state.iterations());
}
BENCHMARK(BM_UpdateUnchangedBooks)->Arg(20)->Arg(0)->Unit(benchmark::kMillisecond)->Iterations(2)->UseRealTime()->MeasureProcessCPUTime();

void BM_SearchStoredTexts(benchmark::State& state) {
  Shelf& s = shelf();
  auto library = lv::library::Library::open_for_reading(s.path);
  int hits = 0;
  for (auto _ : state) {
    hits = lv::routines::search_library(*library, kSought, {}, [](const lv::routines::SearchHit&) { return true; });
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * s.text_bytes));
  state.counters["hits"] = hits;
}
BENCHMARK(BM_SearchStoredTexts)->Unit(benchmark::kMillisecond);

// The baseline: the same texts already in memory, searched byte by byte.
void BM_PlainSearchInMemory(benchmark::State& state) {
  Shelf& s = shelf();
  std::vector<std::string> texts;
  lv::library::Library::open_for_reading(s.path)->visit_texts("", [&](const lv::library::TextVisit& v) {
    texts.emplace_back(v.text);
    return true;
  });
  int hits = 0;
  for (auto _ : state) {
    hits = 0;
    for (const std::string& text : texts) {
      for (std::size_t at = text.find(kSought); at != std::string::npos; at = text.find(kSought, at + 1)) ++hits;
    }
    benchmark::DoNotOptimize(hits);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * s.text_bytes));
  state.counters["hits"] = hits;
}
BENCHMARK(BM_PlainSearchInMemory)->Unit(benchmark::kMillisecond);

}  // namespace
