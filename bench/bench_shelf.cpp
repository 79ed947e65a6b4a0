// A reader's library of 500 books (the sample site's first 500, about 230,000
// chapters, each stored with a short text): the bookshelf's summaries, an
// update of every book when nothing changed on a site answering in 20 ms,
// and a search through every stored text beside a plain byte search of the
// same texts in memory. The library is built once, straight into the file.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <chrono>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "library/library.h"
#include "library/sqlite.h"
#include "routines/search_library.h"
#include "routines/update_books.h"
#include "sample_site/sample_server.h"
#include "scrape/chapter_list.h"

namespace {

constexpr int kBooks = 500;
constexpr std::size_t kTextBytes = 600;
// 灵脉 (C1E9 C2F6): planted in every 50th text, so the search has hits to report.
const std::string kSought = "\xC1\xE9\xC2\xF6";

struct Shelf {
  lv::site::SampleServer server;
  std::string folder;
  std::string path;
  std::vector<std::string> books;
  std::uint64_t text_bytes = 0;

  Shelf() {
    if (!server.start()) throw std::runtime_error("no sample site");
    folder = (std::filesystem::temp_directory_path() / "lorevane-bench-shelf-XXXXXX").string();
    if (::mkdtemp(folder.data()) == nullptr) throw std::runtime_error("no temporary folder");
    path = folder + "/library.sqlite3";
    build();
  }
  ~Shelf() { std::filesystem::remove_all(folder); }

  void build() {
    lv::library::Library::open(path);  // the schema
    lv::library::sql::Database db = lv::library::sql::Database::open(path);
    db.exec("BEGIN");
    lv::library::sql::Statement book(db,
        "INSERT INTO book (address, name, cover_address, author, category, status, intro, updated_at, checked_at, "
        "cover) VALUES (?1, ?2, '', ?3, '', '', '', 1, 1, x'')");
    lv::library::sql::Statement chapter(db,
        "INSERT INTO chapter (book_id, position, title, address, removed, listed_at) VALUES (?1, ?2, ?3, ?4, 0, 1)");
    lv::library::sql::Statement text(db,
        "INSERT INTO chapter_text (book_id, address, fetched_at, missing, text) VALUES (?1, ?2, 1, NULL, ?3)");
    std::mt19937 rng(11);
    std::uniform_int_distribution<int> lead(0xB0, 0xD7), trail(0xA1, 0xFE);
    const auto ids = server.site().book_ids();
    std::int64_t serial = 0;
    for (int b = 0; b < kBooks; ++b) {
      const std::string address = "http://" + server.site_host() + lv::site::SampleSite::book_path(ids[static_cast<std::size_t>(b)]);
      books.push_back(address);
      const auto page = server.site().get(lv::site::SampleSite::book_path(ids[static_cast<std::size_t>(b)]), server.site_host());
      const lv::scrape::ChapterList list = lv::scrape::parse_chapter_list(page->body);
      book.bind(1, address).bind(2, list.book_title).bind(3, "\xD7\xF7\xD5\xDF\xA3\xBA" + std::to_string(b));
      book.run();
      book.reset();
      const std::int64_t id = b + 1;
      for (std::size_t c = 0; c < list.chapters.size(); ++c) {
        chapter.bind(1, id).bind(2, static_cast<std::int64_t>(c)).bind(3, list.chapters[c].title)
            .bind(4, list.chapters[c].address);
        chapter.run();
        chapter.reset();
        std::string body;
        while (body.size() < kTextBytes) {
          body.push_back(static_cast<char>(lead(rng)));
          body.push_back(static_cast<char>(trail(rng)));
        }
        if (++serial % 50 == 0) body.replace(kTextBytes / 2, kSought.size(), kSought);
        text_bytes += body.size();
        text.bind(1, id).bind(2, list.chapters[c].address).bind(3, body);
        text.run();
        text.reset();
      }
    }
    db.exec("COMMIT");
  }
};

Shelf& shelf() {
  static Shelf instance;
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
