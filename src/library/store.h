#pragma once
// What the library's source files share: the connection with its kept
// statements, and the look-ups every write starts with. Not for other layers.
#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>

#include "library/library.h"
#include "library/sqlite.h"

namespace lv::library {

// A kept statement for the length of one use; reset on every way out so it
// holds no lock and no bound value once the caller is done.
class Query final {
 public:
  explicit Query(sql::Statement& statement) : statement_(statement) {}
  ~Query() { statement_.reset(); }
  Query(const Query&) = delete;
  Query& operator=(const Query&) = delete;
  sql::Statement* operator->() { return &statement_; }
  sql::Statement& operator*() { return statement_; }

 private:
  sql::Statement& statement_;
};

// The connection and its statements, prepared once and kept: a download
// writes thousands of chapters through the same few statements.
struct Store {
  sql::Database db;
  // Keys are SQL literals of the library's files, which live as long as the program.
  std::unordered_map<std::string_view, sql::Statement> kept;  // after db: finalized first

  Query query(std::string_view sql) { return Query(kept.try_emplace(sql, db, sql).first->second); }
};

struct Library::Connection : Store {};

// The store behind a Library; refuses a moved-from one.
inline Store& store_of(const std::unique_ptr<Library::Connection>& connection) {
  if (!connection) throw LibraryError(LibraryProblem::other, "", "the library was moved away");
  return *connection;
}

inline std::int64_t now_seconds() {
  return std::chrono::duration_cast<std::chrono::seconds>(std::chrono::system_clock::now().time_since_epoch())
      .count();
}

std::optional<std::int64_t> find_book(Store& h, const std::string& book);
std::int64_t require_book(Store& h, const std::string& book);
// Marks the book's content as changed now.
void touch_book(Store& h, std::int64_t book_id);

}  // namespace lv::library
