#pragma once
// A reader's library of the sample site's first books, each chapter stored
// with a short text, written straight into the file in one transaction (the
// routines would take minutes for 230,000 chapters). Shared by the benchmarks
// of the library and of the bookshelf window.
#include <stdlib.h>

#include <cstdint>
#include <filesystem>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include "library/library.h"
#include "library/sqlite.h"
#include "sample_site/sample_server.h"
#include "scrape/book_page.h"
#include "scrape/chapter_list.h"

namespace lv::bench {

struct ShelfOptions {
  int books = 500;
  std::size_t text_bytes = 600;
  bool covers = false;      // each book's own cover, as the site serves it
  int read_every = 0;       // every n-th book has a reading position (0: none)
  // Planted in every 50th text, so a search has hits to report.
  std::string planted;
};

class ShelfLibrary final {
 public:
  explicit ShelfLibrary(const ShelfOptions& options) {
    if (!server.start()) throw std::runtime_error("no sample site");
    folder = (std::filesystem::temp_directory_path() / "lorevane-bench-shelf-XXXXXX").string();
    if (::mkdtemp(folder.data()) == nullptr) throw std::runtime_error("no temporary folder");
    path = folder + "/library.sqlite3";
    build(options);
  }
  ~ShelfLibrary() {
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
  }
  ShelfLibrary(const ShelfLibrary&) = delete;
  ShelfLibrary& operator=(const ShelfLibrary&) = delete;

  lv::site::SampleServer server;
  std::string folder;
  std::string path;
  std::vector<std::string> books;
  std::uint64_t text_bytes = 0;

 private:
  void build(const ShelfOptions& options) {
    lv::library::Library::open(path);  // the schema
    lv::library::sql::Database db = lv::library::sql::Database::open(path);
    db.exec("BEGIN");
    lv::library::sql::Statement book(db,
        "INSERT INTO book (address, name, cover_address, author, category, status, intro, updated_at, checked_at, "
        "cover) VALUES (?1, ?2, ?5, ?3, ?6, ?7, ?8, 1, strftime('%s', 'now'), ?4)");
    lv::library::sql::Statement chapter(db,
        "INSERT INTO chapter (book_id, position, title, address, removed, listed_at) VALUES (?1, ?2, ?3, ?4, 0, 1)");
    lv::library::sql::Statement text(db,
        "INSERT INTO chapter_text (book_id, address, fetched_at, missing, text) VALUES (?1, ?2, 1, NULL, ?3)");
    lv::library::sql::Statement reading(db,
        "INSERT INTO reading (book_id, chapter_address, text_offset, read_at) VALUES (?1, ?2, 0, ?3)");
    std::mt19937 rng(11);
    std::uniform_int_distribution<int> lead(0xB0, 0xD7), trail(0xA1, 0xFE);
    const auto ids = server.site().book_ids();
    const std::string host = server.site_host();
    std::int64_t serial = 0;
    for (int b = 0; b < options.books; ++b) {
      const int id = ids[static_cast<std::size_t>(b)];
      const std::string address = "http://" + host + lv::site::SampleSite::book_path(id);
      books.push_back(address);
      const auto page = server.site().get(lv::site::SampleSite::book_path(id), host);
      const lv::scrape::ChapterList list = lv::scrape::parse_chapter_list(page->body);
      std::string cover;
      if (options.covers && server.site().cover_kind(id) == lv::site::CoverKind::picture) {
        if (const auto picture = server.site().get(server.site().cover_path(id), host)) cover = picture->body;
      }
      // The details as the page gives them: an update finds the book unchanged.
      const lv::scrape::BookInfo info = lv::scrape::parse_book_page(page->body);
      book.bind(1, address).bind(2, info.name).bind(3, info.author).bind(4, cover).bind(5, info.cover_address)
          .bind(6, info.category).bind(7, info.status).bind(8, info.intro);
      book.run();
      book.reset();
      const std::int64_t row = b + 1;
      for (std::size_t c = 0; c < list.chapters.size(); ++c) {
        chapter.bind(1, row).bind(2, static_cast<std::int64_t>(c)).bind(3, list.chapters[c].title)
            .bind(4, list.chapters[c].address);
        chapter.run();
        chapter.reset();
        std::string body;
        while (body.size() < options.text_bytes) {
          body.push_back(static_cast<char>(lead(rng)));
          body.push_back(static_cast<char>(trail(rng)));
        }
        if (!options.planted.empty() && ++serial % 50 == 0) {
          body.replace(options.text_bytes / 2, options.planted.size(), options.planted);
        }
        text_bytes += body.size();
        text.bind(1, row).bind(2, list.chapters[c].address).bind(3, body);
        text.run();
        text.reset();
      }
      if (options.read_every > 0 && b % options.read_every == 0 && !list.chapters.empty()) {
        reading.bind(1, row).bind(2, list.chapters.front().address).bind(3, std::int64_t{1700000000} + b);
        reading.run();
        reading.reset();
      }
    }
    db.exec("COMMIT");
  }
};

}  // namespace lv::bench
