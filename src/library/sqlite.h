#pragma once
// Owning wrappers around SQLite's connection and statement handles. Every
// failure throws LibraryError of the kind SQLite's code says, naming the
// file and carrying SQLite's own message; values go in through
// bound parameters only, and strings go in and come out as BLOBs so that GBK
// bytes are never reinterpreted as UTF-8.
#include <sqlite3.h>

#include <cstdint>
#include <string>
#include <string_view>

#include "library/library.h"

namespace lv::library::sql {

class Database final {
 public:
  enum class Mode {
    create,     // read and write, creating the file when missing
    read_only,  // an existing file, never written
    immutable,  // an existing file that nobody writes while it is open: no locks,
                // no companion files (a library in a folder that cannot be written)
  };
  // Opens the file (for create, its folder must exist).
  static Database open(const std::string& path, Mode mode = Mode::create);
  Database() = default;
  ~Database();
  Database(Database&& other) noexcept;
  Database& operator=(Database&& other) noexcept;
  Database(const Database&) = delete;
  Database& operator=(const Database&) = delete;

  sqlite3* get() const { return db_; }
  const std::string& path() const { return path_; }
  // Runs constant SQL (pragmas, schema steps, transaction control); never
  // SQL put together from values.
  void exec(const char* sql);
  // Throws LibraryError of the kind `code` says, with SQLite's message.
  [[noreturn]] void fail(int code) const;

 private:
  Database(sqlite3* db, std::string path) : db_(db), path_(std::move(path)) {}
  sqlite3* db_ = nullptr;
  std::string path_;
};

// The kind of problem an SQLite result code stands for.
LibraryProblem problem_of(int code);

class Statement final {
 public:
  Statement(const Database& db, std::string_view sql);
  ~Statement();
  Statement(Statement&& other) noexcept;
  Statement& operator=(Statement&& other) noexcept;
  Statement(const Statement&) = delete;
  Statement& operator=(const Statement&) = delete;

  // Parameters count from 1, as in SQLite.
  Statement& bind(int index, std::string_view bytes);
  Statement& bind(int index, std::int64_t value);
  Statement& bind_null(int index);

  // True while there is a row to read; false once the statement is done.
  bool step();
  // Steps a statement that gives no rows.
  void run();
  // Back to the start with no values bound, so a kept statement holds no lock.
  void reset() noexcept;

  // Columns count from 0.
  bool is_null(int column) const;
  std::int64_t integer(int column) const;
  std::string bytes(int column) const;
  // The column's bytes where SQLite holds them: valid until the next step or reset.
  std::string_view view(int column) const;

 private:
  const Database* db_ = nullptr;
  sqlite3_stmt* stmt_ = nullptr;
};

// A write transaction that takes the write lock at once (BEGIN IMMEDIATE), so
// waiting for another writer goes through the busy timeout instead of failing
// halfway; or a read transaction for one consistent view over several
// statements. Rolled back unless committed.
class Transaction final {
 public:
  enum class Kind { read, write };
  Transaction(Database& db, Kind kind);
  ~Transaction();
  Transaction(const Transaction&) = delete;
  Transaction& operator=(const Transaction&) = delete;
  void commit();

 private:
  Database& db_;
  bool open_ = true;
};

}  // namespace lv::library::sql
