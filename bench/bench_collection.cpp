// The category collection of all 146 listing pages, through the scheduler,
// beside plain libcurl fetching the same pages one after another over one
// kept-alive connection in the same run. The site is the sample site,
// in-process on loopback; "delay" runs give every answer 20 ms, as a real
// site takes.
#include <benchmark/benchmark.h>
#include <curl/curl.h>

#include <memory>
#include <string>

#include "routines/collect_category.h"
#include "routines/site.h"
#include "sample_site/sample_server.h"

namespace {

lv::site::SampleServer& server(bool delayed) {
  static auto make = [](int delay_ms) {
    auto s = std::make_unique<lv::site::SampleServer>();
    if (!s->start()) std::abort();
    s->set_delay_all(std::chrono::milliseconds(delay_ms));
    return s;
  };
  static const auto fast = make(0);
  static const auto slow = make(20);
  return delayed ? *slow : *fast;
}

void BM_Collect(benchmark::State& state) {
  const bool delayed = state.range(1) != 0;
  lv::site::SampleServer& site = server(delayed);
  std::size_t rows = 0;
  for (auto _ : state) {
    lv::routines::SharedState shared;
    shared.set_book_id_counter("0");
    lv::routines::CollectionOptions options;
    options.site_host = site.site_host();
    options.jobs = static_cast<int>(state.range(0));
    rows = 0;
    lv::routines::collect_category(options, shared, [&rows](std::vector<lv::routines::BookRecord>&& page) {
      rows += page.size();
    });
  }
  state.counters["rows"] = static_cast<double>(rows);
  state.counters["pages_per_s"] = benchmark::Counter(146, benchmark::Counter::kIsIterationInvariantRate);
}

std::size_t discard(char*, std::size_t size, std::size_t count, void*) { return size * count; }

// The baseline: one easy handle, so one kept-alive connection, page after page.
void BM_CurlOneConnection(benchmark::State& state) {
  lv::site::SampleServer& site = server(state.range(0) != 0);
  for (auto _ : state) {
    CURL* easy = curl_easy_init();
    curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, discard);
    for (int page = 1; page <= 146; ++page) {
      const std::string url = lv::routines::listing_page_address(site.site_host(), page);
      curl_easy_setopt(easy, CURLOPT_URL, url.c_str());
      if (curl_easy_perform(easy) != CURLE_OK) state.SkipWithError("a page did not come");
    }
    curl_easy_cleanup(easy);
  }
  state.counters["pages_per_s"] = benchmark::Counter(146, benchmark::Counter::kIsIterationInvariantRate);
}

BENCHMARK(BM_CurlOneConnection)->ArgName("delay")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Collect)
    ->ArgNames({"jobs", "delay"})
    ->Args({4, 0})
    ->Args({1, 1})
    ->Args({4, 1})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

}  // namespace
