#include "library/schema.h"

#include <array>
#include <chrono>
#include <string>
#include <thread>

namespace lv::library {
namespace {

// PRAGMA application_id of a library file: "LvLb" in ASCII, so that a file of
// another program is told apart from a new, empty one.
constexpr std::int64_t kApplicationId = 0x4C764C62;

// Another connection (this process or another) may hold the write lock for a
// chapter or a whole chapter list; wait that long before giving up.
constexpr int kBusyTimeoutMs = 10'000;

// steps[n] brings a file from schema version n to n + 1. A new version
// appends a step; a step once released never changes, since files out there
// went through it.
//
// Every string is a BLOB (GBK bytes, never reinterpreted). A chapter's text
// lives apart from the list, keyed by its address, so a new list keeps the
// texts of the chapters it still names wherever they move. A text row holds
// either a text (never empty) or the reason the last try failed; the text
// comes last so reading the other columns skips its overflow pages.
constexpr std::array kSteps = {
    R"sql(
    PRAGMA application_id = 1282821218;
    CREATE TABLE book (
      id            INTEGER PRIMARY KEY,
      address       BLOB NOT NULL UNIQUE,
      name          BLOB NOT NULL,
      cover_address BLOB NOT NULL,
      author        BLOB NOT NULL,
      category      BLOB NOT NULL,
      status        BLOB NOT NULL,
      intro         BLOB NOT NULL,
      updated_at    INTEGER NOT NULL,
      cover         BLOB NOT NULL
    );
    CREATE TABLE chapter (
      book_id  INTEGER NOT NULL REFERENCES book(id) ON DELETE CASCADE,
      position INTEGER NOT NULL CHECK (position >= 0),
      title    BLOB NOT NULL,
      address  BLOB NOT NULL,
      PRIMARY KEY (book_id, position)
    ) WITHOUT ROWID;
    CREATE TABLE chapter_text (
      id         INTEGER PRIMARY KEY,
      book_id    INTEGER NOT NULL REFERENCES book(id) ON DELETE CASCADE,
      address    BLOB NOT NULL,
      fetched_at INTEGER NOT NULL,
      missing    BLOB,
      text       BLOB,
      UNIQUE (book_id, address),
      CHECK ((text IS NULL) <> (missing IS NULL)),
      CHECK (text IS NULL OR length(text) > 0)
    );
    )sql",
    // A chapter the site no longer lists stays, marked removed; when each
    // first appeared, for the chapters new since the last read; where the
    // reader was; and when a book was last checked, apart from when its
    // content last changed (updated_at), which dates its exports.
    R"sql(
    ALTER TABLE book ADD COLUMN checked_at INTEGER NOT NULL DEFAULT 0;
    UPDATE book SET checked_at = updated_at;
    ALTER TABLE chapter ADD COLUMN removed INTEGER NOT NULL DEFAULT 0 CHECK (removed IN (0, 1));
    ALTER TABLE chapter ADD COLUMN listed_at INTEGER NOT NULL DEFAULT 0;
    UPDATE chapter SET listed_at = (SELECT updated_at FROM book WHERE book.id = chapter.book_id);
    CREATE TABLE reading (
      book_id         INTEGER PRIMARY KEY REFERENCES book(id) ON DELETE CASCADE,
      chapter_address BLOB NOT NULL,
      text_offset     INTEGER NOT NULL CHECK (text_offset >= 0),
      read_at         INTEGER NOT NULL
    );
    )sql",
};
static_assert(kApplicationId == 1282821218, "the first step writes the same id");

struct FileIdentity {
  std::int64_t application_id = 0;
  int version = 0;
  std::int64_t objects = 0;  // tables, indexes, ... of any kind
};

std::int64_t pragma_integer(sql::Database& db, const char* pragma) {
  sql::Statement statement(db, pragma);
  if (!statement.step()) throw LibraryError(LibraryProblem::damaged, db.path(), std::string(pragma) + " gave no value");
  return statement.integer(0);
}

FileIdentity identity(sql::Database& db) {
  FileIdentity id;
  id.application_id = pragma_integer(db, "PRAGMA application_id");
  id.version = static_cast<int>(pragma_integer(db, "PRAGMA user_version"));
  sql::Statement count(db, "SELECT count(*) FROM sqlite_schema");
  count.step();
  id.objects = count.integer(0);
  return id;
}

// Refuses what this program must not write to.
void check_identity(const sql::Database& db, const FileIdentity& id) {
  const bool fresh = id.application_id == 0 && id.version == 0 && id.objects == 0;
  if (!fresh && id.application_id != kApplicationId)
    throw LibraryError(LibraryProblem::not_a_library, db.path(), "it belongs to another program");
  if (id.version > schema_version())
    throw LibraryError(LibraryProblem::newer_version, db.path(),
                       "schema " + std::to_string(id.version) + "; this version reads up to " +
                           std::to_string(schema_version()));
}

// Two programs creating a new library at once: only one can turn on WAL,
// and SQLite answers the other "busy" at once, without its busy handler.
// Turning it on again once the other is done is a no-op.
void turn_on_wal(sql::Database& db) {
  using Clock = std::chrono::steady_clock;
  const auto give_up = Clock::now() + std::chrono::milliseconds(kBusyTimeoutMs);
  for (;;) {
    try {
      sql::Statement wal(db, "PRAGMA journal_mode = WAL");
      if (wal.step() && wal.bytes(0) == "wal") return;
      throw LibraryError(LibraryProblem::other, db.path(), "the file cannot be put in WAL mode");
    } catch (const LibraryError& error) {
      if (error.problem != LibraryProblem::in_use || Clock::now() >= give_up) throw;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
}

void migrate(sql::Database& db) {
  sql::Transaction transaction(db, sql::Transaction::Kind::write);
  // Read again under the write lock: another process may have migrated since.
  const FileIdentity id = identity(db);
  check_identity(db, id);
  for (int version = id.version; version < schema_version(); ++version) {
    db.exec(kSteps[static_cast<std::size_t>(version)]);
    // Built from the step number, a program constant: PRAGMA takes no parameters.
    db.exec(("PRAGMA user_version = " + std::to_string(version + 1)).c_str());
  }
  transaction.commit();
}

}  // namespace

int schema_version() { return static_cast<int>(kSteps.size()); }

int prepare_library(sql::Database& db, Access access) {
  if (const int code = sqlite3_busy_timeout(db.get(), kBusyTimeoutMs); code != SQLITE_OK) db.fail(code);

  // The first read: a file that is not a database fails here.
  FileIdentity id;
  {
    sql::Transaction snapshot(db, sql::Transaction::Kind::read);
    id = identity(db);
    snapshot.commit();
  }
  check_identity(db, id);  // before anything is written to someone else's file
  if (access == Access::read) {
    db.exec("PRAGMA foreign_keys = ON");
    return id.version;
  }

  // WAL: readers never wait for the writer, and a commit is one append.
  // NORMAL syncs at checkpoints only: a killed program loses nothing
  // committed; a power cut may lose the last commits, never the file.
  turn_on_wal(db);
  db.exec("PRAGMA synchronous = NORMAL");
  db.exec("PRAGMA foreign_keys = ON");

  if (id.version < schema_version()) migrate(db);
  return schema_version();
}

}  // namespace lv::library
