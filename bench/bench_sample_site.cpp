// How fast the sample site builds its pages: a listing page, the page of a
// book with well over a thousand chapters, a chapter page and a cover.
#include <benchmark/benchmark.h>

#include <string>

#include "sample_site/sample_site.h"

namespace {

const lv::site::SampleSite& site() {
  static const lv::site::SampleSite s;
  return s;
}

void serve(benchmark::State& state, const std::string& path) {
  std::size_t bytes = 0;
  for (auto _ : state) {
    auto r = site().get(path, "127.0.0.1:8080");
    bytes += r->body.size();
    benchmark::DoNotOptimize(r);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(bytes));
  state.SetItemsProcessed(state.iterations());
}

void BM_ListingPage(benchmark::State& state) { serve(state, "/sort2/77.html"); }
void BM_FirstListingPage(benchmark::State& state) { serve(state, "/sort2/1.html"); }
void BM_LongBookPage(benchmark::State& state) {
  const int id = site().find_long_book(1500);
  state.counters["chapters"] = site().chapter_count(id);
  serve(state, lv::site::SampleSite::book_path(id));
}
void BM_ChapterPage(benchmark::State& state) {
  const int id = site().find_long_book(1500);
  serve(state, site().chapter_path(id, 700));
}
void BM_Cover(benchmark::State& state) {
  serve(state, site().cover_path(site().find_book_with_cover(lv::site::CoverKind::picture)));
}

BENCHMARK(BM_ListingPage);
BENCHMARK(BM_FirstListingPage);
BENCHMARK(BM_LongBookPage);
BENCHMARK(BM_ChapterPage);
BENCHMARK(BM_Cover);

}  // namespace
