// The book list's model: appending a listing page's rows and showing cells.
#include <benchmark/benchmark.h>

#include "app/widgets/report_model.h"
#include "base/code_page.h"

namespace {

std::vector<std::vector<lv::base::Text>> page_rows(int first_id) {
  static const lv::base::Text title = lv::base::gbk("《剑破仙惊》");
  static const lv::base::Text latest = lv::base::gbk("第三百八十二章 天劫之争");
  static const lv::base::Text category = lv::base::gbk("[修真小说]");
  std::vector<std::vector<lv::base::Text>> rows;
  for (int i = 0; i < 30; ++i) {
    rows.push_back({std::to_string(first_id + i), title, latest,
                    "http://127.0.0.1:8080/book/12/" + std::to_string(10000 + first_id + i) + "/", category});
  }
  return rows;
}

QStringList headings() {
  return {QStringLiteral("id"), QStringLiteral("书名"), QStringLiteral("最新章节"), QStringLiteral("地址"),
          QStringLiteral("类别")};
}

// A whole collection's worth of pages into one model, a page at a time.
void BM_AppendListingPages(benchmark::State& state) {
  const int pages = static_cast<int>(state.range(0));
  for (auto _ : state) {
    state.PauseTiming();
    lv::app::ReportModel model(headings());
    std::vector<std::vector<std::vector<lv::base::Text>>> batches;
    for (int p = 0; p < pages; ++p) batches.push_back(page_rows(p * 30 + 1));
    state.ResumeTiming();
    for (auto& batch : batches) model.append_rows(std::move(batch));
    benchmark::DoNotOptimize(model.row_count());
  }
  state.SetItemsProcessed(state.iterations() * pages * 30);
}
BENCHMARK(BM_AppendListingPages)->Arg(146)->Arg(700)->Unit(benchmark::kMillisecond);

// What painting a screenful asks of the model: GBK cells to Unicode.
void BM_DisplayCells(benchmark::State& state) {
  lv::app::ReportModel model(headings());
  for (int p = 0; p < 100; ++p) model.append_rows(page_rows(p * 30 + 1));
  int row = 0;
  for (auto _ : state) {
    for (int column = 0; column < 5; ++column) {
      benchmark::DoNotOptimize(model.data(model.index(row, column)));
    }
    row = (row + 1) % model.row_count();
  }
  state.SetItemsProcessed(state.iterations() * 5);
}
BENCHMARK(BM_DisplayCells);

}  // namespace
