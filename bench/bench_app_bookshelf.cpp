// The bookshelf window opening on a library of 500 books (the sample site's
// first 500 with their covers, about 230,000 chapters, every third book read):
// constructed and shown offscreen until its rows are in and painted, and
// until every cover is in as well.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QEventLoop>
#include <QSortFilterProxyModel>
#include <QTableView>
#include <QTimer>

#include "app/bookshelf/bookshelf_model.h"
#include "app/bookshelf/bookshelf_window.h"
#include "app/shell/app_context.h"
#include "shelf_library.h"

namespace {

constexpr int kBooks = 500;

lv::bench::ShelfLibrary& shelf() {
  static lv::bench::ShelfLibrary instance(lv::bench::ShelfOptions{kBooks, 600, true, 3, ""});
  return instance;
}

// The program's first window has loaded the fonts and the style before the
// bookshelf opens: so has this one.
QApplication& application() {
  static int argc = 1;
  static char name[] = "bench_app_bookshelf";
  static char* argv[] = {name, nullptr};
  qputenv("QT_QPA_PLATFORM", QByteArrayLiteral("offscreen"));
  static QApplication app(argc, argv);
  static const bool warmed = [] {
    QTableView first;
    first.show();
    benchmark::DoNotOptimize(first.grab());
    return true;
  }();
  benchmark::DoNotOptimize(warmed);
  return app;
}

// Lets events run until `done` holds.
template <typename Done>
void run_until(Done done) {
  while (!done()) QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 5);
}

int covered(const lv::app::BookshelfWindow& window) {
  int count = 0;
  for (int row = 0; row < window.model().rowCount(); ++row) {
    count += window.model().has_cover(window.model().book_at(row)->book) ? 1 : 0;
  }
  return count;
}

void open_shelf(benchmark::State& state, bool with_covers) {
  application();
  lv::app::AppContext context;
  context.library_path = shelf().path;
  int rows = 0;
  for (auto _ : state) {
    auto window = std::make_unique<lv::app::BookshelfWindow>(context);
    window->show();
    run_until([&] { return !window->loading(); });
    rows = window->rows().rowCount();
    benchmark::DoNotOptimize(window->grab());  // the first screenful painted
    if (with_covers) run_until([&] { return covered(*window) == rows; });
    state.PauseTiming();
    window.reset();  // stops what still runs
    state.ResumeTiming();
  }
  if (rows != kBooks) state.SkipWithError("not every book was shown");
  state.counters["books"] = rows;
}

void BM_OpenBookshelfUntilRowsAreIn(benchmark::State& state) { open_shelf(state, false); }
BENCHMARK(BM_OpenBookshelfUntilRowsAreIn)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

void BM_OpenBookshelfUntilEveryCoverIsIn(benchmark::State& state) { open_shelf(state, true); }
BENCHMARK(BM_OpenBookshelfUntilEveryCoverIsIn)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

}  // namespace
