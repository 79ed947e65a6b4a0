// The reader on a book of the library, on the offscreen platform: how long a
// step to the next chapter takes when the chapter is stored (its text read
// from the library, shown, and the reading position saved), over the longest
// sample book. The figures are the median and the 95th percentile of a step.
#include <QApplication>
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <vector>

#include "app/reader/reader_window.h"
#include "app/widgets/list_box.h"
#include "library/library.h"
#include "routines/shared_state.h"
#include "sample_site/sample_site.h"
#include "scrape/chapter_list.h"
#include "scrape/chapter_text.h"

namespace {

QApplication& application() {
  static int argc = 1;
  static char name[] = "bench_app_reader";
  static char* argv[] = {name, nullptr};
  qputenv("QT_QPA_PLATFORM", QByteArrayLiteral("offscreen"));
  static QApplication app(argc, argv);
  return app;
}

struct StoredLongBook {
  std::string folder;
  std::string path;
  std::string book;
  int chapters = 0;

  StoredLongBook() {
    folder = (std::filesystem::temp_directory_path() / "lorevane-bench-reader-XXXXXX").string();
    if (::mkdtemp(folder.data()) == nullptr) throw std::runtime_error("no temporary folder");
    path = folder + "/library.sqlite3";
    const lv::site::SampleSite site;
    const int id = site.find_long_book(1700);
    const std::string host = "127.0.0.1:1";
    const std::string book_path = lv::site::SampleSite::book_path(id);
    book = "http://" + host + book_path;
    lv::library::Library library = lv::library::Library::open(path);
    const auto list = lv::scrape::parse_chapter_list(site.get(book_path, host)->body);
    library.save_book(book, {list.book_title, "", "", "", "", ""}, {});
    std::vector<lv::library::StoredChapter> chapters;
    for (const auto& link : list.chapters) chapters.push_back({0, link.title, link.address, false, "", {}, 0, false, 0});
    library.save_chapter_list(book, chapters);
    for (const auto& link : list.chapters) {
      library.save_chapter_text(book, link.address,
                                lv::scrape::parse_chapter_text(site.get(book_path + link.address, host)->body), 1);
    }
    this->chapters = static_cast<int>(list.chapters.size());
  }
  ~StoredLongBook() { std::filesystem::remove_all(folder); }
};

void BM_ChapterStepFromTheLibrary(benchmark::State& state) {
  application();
  static const StoredLongBook stored;
  lv::routines::SharedState shared;
  lv::app::AppContext context;
  context.state = &shared;
  context.library_path = stored.path;
  lv::app::ReaderWindow reader(context, nullptr,
                               lv::app::ReaderWindow::LibraryBook{stored.book, lv::app::LibraryReaderStart{0, 0}});
  reader.show();
  std::vector<double> steps;
  for (auto _ : state) {
    if (reader.chapter_list()->selection() + 1 >= stored.chapters) {
      state.PauseTiming();
      reader.show_chapter_at(0, 0);
      state.ResumeTiming();
    }
    const auto start = std::chrono::steady_clock::now();
    reader.next_chapter();
    QCoreApplication::processEvents();  // what the step leaves to paint
    steps.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
  }
  std::sort(steps.begin(), steps.end());
  state.counters["p50_ms"] = steps[steps.size() / 2];
  state.counters["p95_ms"] = steps[steps.size() * 95 / 100];
  state.counters["chapters"] = stored.chapters;
}
BENCHMARK(BM_ChapterStepFromTheLibrary)->Iterations(1000)->Unit(benchmark::kMillisecond);

}  // namespace
