#include "library/sqlite.h"

#include <limits>
#include <utility>

namespace lv::library::sql {

namespace {

// A file: URI for the path, every byte but the plain ones escaped, so that
// "?", "#" and "%" in a folder name stay part of the name.
std::string file_uri(const std::string& path, const char* query) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string uri = "file:";
  for (unsigned char c : path) {
    const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                       c == '/' || c == '-' || c == '_' || c == '.' || c == '~';
    if (plain) {
      uri += static_cast<char>(c);
    } else {
      uri += '%';
      uri += kHex[c >> 4];
      uri += kHex[c & 15];
    }
  }
  return uri + "?" + query;
}

}  // namespace

LibraryProblem problem_of(int code) {
  switch (code & 0xff) {
    case SQLITE_NOTADB:
      return LibraryProblem::not_a_library;
    case SQLITE_CORRUPT:
      return LibraryProblem::damaged;
    case SQLITE_FULL:
      return LibraryProblem::disk_full;
    case SQLITE_READONLY:
    case SQLITE_PERM:
    case SQLITE_AUTH:
    case SQLITE_CANTOPEN:
      return LibraryProblem::no_access;
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
      return LibraryProblem::in_use;
    case SQLITE_IOERR:
      return LibraryProblem::io_error;
    default:
      return LibraryProblem::other;
  }
}

Database Database::open(const std::string& path, Mode mode) {
  sqlite3* db = nullptr;
  // One connection per thread, never shared: no connection mutex needed.
  int flags = SQLITE_OPEN_NOMUTEX;
  std::string name = path;
  switch (mode) {
    case Mode::create:
      flags |= SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE;
      break;
    case Mode::read_only:
      flags |= SQLITE_OPEN_READONLY;
      break;
    case Mode::immutable:
      flags |= SQLITE_OPEN_READONLY | SQLITE_OPEN_URI;
      name = file_uri(path, "immutable=1");
      break;
  }
  const int code = sqlite3_open_v2(name.c_str(), &db, flags, nullptr);
  Database opened(db, path);  // SQLite may hand back a handle even when it fails
  if (code != SQLITE_OK) {
    if (db == nullptr) throw LibraryError(LibraryProblem::other, path, "out of memory");
    opened.fail(code);
  }
  sqlite3_extended_result_codes(db, 1);
  // SQLite opens a file it may not write for reading only, without a word;
  // a library opened to be written says so now, before any work is done.
  if (mode == Mode::create && sqlite3_db_readonly(db, "main") == 1)
    throw LibraryError(LibraryProblem::no_access, path, "the file cannot be written");
  return opened;
}

Database::~Database() {
  // close_v2 defers the close until every statement is finalized instead of failing.
  if (db_ != nullptr) sqlite3_close_v2(db_);
}

Database::Database(Database&& other) noexcept
    : db_(std::exchange(other.db_, nullptr)), path_(std::move(other.path_)) {}

Database& Database::operator=(Database&& other) noexcept {
  if (this != &other) {
    if (db_ != nullptr) sqlite3_close_v2(db_);
    db_ = std::exchange(other.db_, nullptr);
    path_ = std::move(other.path_);
  }
  return *this;
}

void Database::exec(const char* sql) {
  const int code = sqlite3_exec(db_, sql, nullptr, nullptr, nullptr);
  if (code != SQLITE_OK) fail(code);
}

void Database::fail(int code) const {
  // The connection's message belongs to its last call, which is the failing one.
  const char* message = db_ != nullptr && sqlite3_extended_errcode(db_) == code ? sqlite3_errmsg(db_)
                                                                                 : sqlite3_errstr(code);
  throw LibraryError(problem_of(code), path_, message);
}

Statement::Statement(const Database& db, std::string_view sql) : db_(&db) {
  if (sql.size() > static_cast<std::size_t>(std::numeric_limits<int>::max()))
    throw LibraryError(LibraryProblem::other, db.path(), "statement too long");
  // Kept statements live as long as the connection: tell SQLite so.
  const int code = sqlite3_prepare_v3(db.get(), sql.data(), static_cast<int>(sql.size()),
                                      SQLITE_PREPARE_PERSISTENT, &stmt_, nullptr);
  if (code != SQLITE_OK) db.fail(code);
}

Statement::~Statement() { sqlite3_finalize(stmt_); }  // finalize(nullptr) is a no-op

Statement::Statement(Statement&& other) noexcept
    : db_(other.db_), stmt_(std::exchange(other.stmt_, nullptr)) {}

Statement& Statement::operator=(Statement&& other) noexcept {
  if (this != &other) {
    sqlite3_finalize(stmt_);
    db_ = other.db_;
    stmt_ = std::exchange(other.stmt_, nullptr);
  }
  return *this;
}

Statement& Statement::bind(int index, std::string_view bytes) {
  int code;
  if (bytes.empty()) {
    // A zero-length blob: bind_blob with a null pointer would bind NULL instead.
    code = sqlite3_bind_zeroblob(stmt_, index, 0);
  } else {
    code = sqlite3_bind_blob64(stmt_, index, bytes.data(), bytes.size(), SQLITE_TRANSIENT);
  }
  if (code != SQLITE_OK) db_->fail(code);
  return *this;
}

Statement& Statement::bind(int index, std::int64_t value) {
  const int code = sqlite3_bind_int64(stmt_, index, value);
  if (code != SQLITE_OK) db_->fail(code);
  return *this;
}

Statement& Statement::bind_null(int index) {
  const int code = sqlite3_bind_null(stmt_, index);
  if (code != SQLITE_OK) db_->fail(code);
  return *this;
}

bool Statement::step() {
  const int code = sqlite3_step(stmt_);
  if (code == SQLITE_ROW) return true;
  if (code == SQLITE_DONE) return false;
  db_->fail(code);
}

void Statement::run() {
  while (step()) {
  }
}

void Statement::reset() noexcept {
  sqlite3_reset(stmt_);
  sqlite3_clear_bindings(stmt_);
}

bool Statement::is_null(int column) const {
  return sqlite3_column_type(stmt_, column) == SQLITE_NULL;
}

std::int64_t Statement::integer(int column) const { return sqlite3_column_int64(stmt_, column); }

std::string_view Statement::view(int column) const {
  const void* data = sqlite3_column_blob(stmt_, column);
  const int size = sqlite3_column_bytes(stmt_, column);
  if (data == nullptr || size <= 0) return {};
  return {static_cast<const char*>(data), static_cast<std::size_t>(size)};
}

std::string Statement::bytes(int column) const {
  // Ask for the pointer first, then the size, as SQLite's documentation orders it.
  const void* data = sqlite3_column_blob(stmt_, column);
  const int size = sqlite3_column_bytes(stmt_, column);
  if (data == nullptr || size <= 0) return {};
  return {static_cast<const char*>(data), static_cast<std::size_t>(size)};
}

Transaction::Transaction(Database& db, Kind kind) : db_(db) {
  db_.exec(kind == Kind::write ? "BEGIN IMMEDIATE" : "BEGIN");
}

Transaction::~Transaction() {
  if (open_) sqlite3_exec(db_.get(), "ROLLBACK", nullptr, nullptr, nullptr);
}

void Transaction::commit() {
  db_.exec("COMMIT");
  open_ = false;
}

}  // namespace lv::library::sql
