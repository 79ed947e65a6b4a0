#include "library/library.h"

#include <chrono>
#include <string_view>
#include <unordered_map>
#include <utility>

#include "library/library_file.h"
#include "library/schema.h"
#include "library/sqlite.h"

namespace lv::library {

namespace {

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
  // Keys are SQL literals of this file, which live as long as the program.
  std::unordered_map<std::string_view, sql::Statement> kept;  // after db: finalized first

  Query query(std::string_view sql) { return Query(kept.try_emplace(sql, db, sql).first->second); }
};

// The store behind a Library; refuses a moved-from one.
template <class Connection>
Store& store_of(const std::unique_ptr<Connection>& connection) {
  if (!connection) throw LibraryError(LibraryProblem::other, "", "the library was moved away");
  return *connection;
}

std::int64_t now_seconds() {
  return std::chrono::duration_cast<std::chrono::seconds>(
             std::chrono::system_clock::now().time_since_epoch())
      .count();
}

// `index` is the chapter's place in the list as read; the stored positions
// only order the rows, whatever numbers a damaged or older file holds.
StoredChapter read_chapter(sql::Statement& row, int index, bool with_text) {
  // Columns: position, title, address, text row id, missing, fetched_at[, text]
  StoredChapter chapter;
  chapter.index = index;
  chapter.title = row.bytes(1);
  chapter.address = row.bytes(2);
  const bool has_row = !row.is_null(3);
  chapter.stored = has_row && row.is_null(4);
  if (has_row && !chapter.stored) chapter.missing = lv::base::decode_failure(row.bytes(4));
  if (chapter.stored) {
    chapter.fetched_at = row.integer(5);
    if (with_text) chapter.text = row.bytes(6);
  }
  return chapter;
}

// A text row is "stored" when it has no missing mark (the table's check makes
// that the same as having a text), which avoids reading the text itself.
constexpr std::string_view kChapters =
    "SELECT c.position, c.title, c.address, t.id, t.missing, t.fetched_at "
    "FROM chapter c LEFT JOIN chapter_text t ON t.book_id = c.book_id AND t.address = c.address "
    "WHERE c.book_id = ?1 ORDER BY c.position";
constexpr std::string_view kChaptersWithTexts =
    "SELECT c.position, c.title, c.address, t.id, t.missing, t.fetched_at, t.text "
    "FROM chapter c LEFT JOIN chapter_text t ON t.book_id = c.book_id AND t.address = c.address "
    "WHERE c.book_id = ?1 ORDER BY c.position";

}  // namespace

struct Library::Connection : Store {};

Library::Library(std::unique_ptr<Connection> connection) : connection_(std::move(connection)) {}
Library::~Library() = default;
Library::Library(Library&&) noexcept = default;
Library& Library::operator=(Library&&) noexcept = default;

Library Library::open(const std::string& path) {
  if (path.empty()) throw LibraryError(LibraryProblem::other, "", "no library file named");
  if (!check_library_file(path)) create_library_folder(path);
  auto connection = std::make_unique<Connection>();
  connection->db = sql::Database::open(path, sql::Database::Mode::create);
  prepare_library(connection->db, Access::write);
  return Library(std::move(connection));
}

std::optional<Library> Library::open_for_reading(const std::string& path) {
  if (path.empty()) throw LibraryError(LibraryProblem::other, "", "no library file named");
  if (!check_library_file(path)) return std::nullopt;
  auto connection = std::make_unique<Connection>();
  int version = 0;
  try {
    connection->db = sql::Database::open(path, sql::Database::Mode::read_only);
    version = prepare_library(connection->db, Access::read);
  } catch (const LibraryError& error) {
    // A WAL file in a folder that cannot be written: SQLite cannot make the
    // companion files it reads through, and nobody can write there either.
    if (error.problem != LibraryProblem::no_access) throw;
    connection->db = sql::Database::open(path, sql::Database::Mode::immutable);
    version = prepare_library(connection->db, Access::read);
  }
  if (version == 0) return std::nullopt;  // an empty file: no library yet
  if (version < schema_version()) {
    // An older file is brought up to date first, which takes writing.
    connection.reset();
    open(path);
    return open_for_reading(path);
  }
  return Library(std::move(connection));
}

namespace {

std::optional<std::int64_t> find_book(Store& h, const std::string& book) {
  Query q = h.query("SELECT id FROM book WHERE address = ?1");
  q->bind(1, book);
  if (!q->step()) return std::nullopt;
  return q->integer(0);
}

std::int64_t require_book(Store& h, const std::string& book) {
  if (auto id = find_book(h, book)) return *id;
  throw LibraryError(LibraryProblem::unknown_entry, h.db.path(), "book " + book + " is not in the library");
}

// The address of the chapter at that place in the list.
Text chapter_address(Store& h, std::int64_t book_id, const std::string& book, int index) {
  if (index >= 0) {
    Query q = h.query("SELECT address FROM chapter WHERE book_id = ?1 ORDER BY position LIMIT 1 OFFSET ?2");
    q->bind(1, book_id).bind(2, std::int64_t{index});
    if (q->step()) return q->bytes(0);
  }
  throw LibraryError(LibraryProblem::unknown_entry, h.db.path(),
                     "book " + book + " has no chapter " + std::to_string(index) + " in its list");
}

const Text& listed_address(Store& h, std::int64_t book_id, const std::string& book, const Text& address) {
  Query q = h.query("SELECT 1 FROM chapter WHERE book_id = ?1 AND address = ?2");
  q->bind(1, book_id).bind(2, address);
  if (q->step()) return address;
  throw LibraryError(LibraryProblem::unknown_entry, h.db.path(),
                     "book " + book + " lists no chapter at " + std::string(address));
}

void write_text(Store& h, std::int64_t book_id, const Text& address, const Text& text, std::int64_t fetched_at);

void write_missing(Store& h, std::int64_t book_id, const Text& address, lv::base::Failure why) {
  // A chapter already stored keeps its text: a failed fetch later loses nothing.
  Query q = h.query(
      "INSERT INTO chapter_text (book_id, address, fetched_at, missing, text) "
      "VALUES (?1, ?2, 0, ?3, NULL) "
      "ON CONFLICT (book_id, address) DO UPDATE SET missing = excluded.missing "
      "WHERE chapter_text.text IS NULL");
  if (!why.failed()) why.kind = lv::base::FailureKind::words;  // a mark says why, even when nobody said
  q->bind(1, book_id).bind(2, address).bind(3, lv::base::encode_failure(why));
  q->run();
}

void write_text(Store& h, std::int64_t book_id, const Text& address, const Text& text, std::int64_t fetched_at) {
  if (text.empty()) {
    write_missing(h, book_id, address, lv::base::Failure::of(lv::base::FailureKind::no_text));
    return;
  }
  Query q = h.query(
      "INSERT INTO chapter_text (book_id, address, fetched_at, missing, text) "
      "VALUES (?1, ?2, ?3, NULL, ?4) "
      "ON CONFLICT (book_id, address) DO UPDATE SET fetched_at = excluded.fetched_at, "
      "missing = NULL, text = excluded.text");
  q->bind(1, book_id).bind(2, address).bind(3, fetched_at).bind(4, text);
  q->run();
}

}  // namespace

void Library::save_book(const std::string& book, const BookDetails& details, const Bytes& cover) {
  Store& h = store_of(connection_);
  if (book.empty()) throw LibraryError(LibraryProblem::unknown_entry, h.db.path(), "a book needs its address");
  Query q = h.query(
      "INSERT INTO book (address, name, cover_address, author, category, status, intro, "
      "updated_at, cover) VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9) "
      "ON CONFLICT (address) DO UPDATE SET name = excluded.name, "
      "cover_address = excluded.cover_address, author = excluded.author, "
      "category = excluded.category, status = excluded.status, intro = excluded.intro, "
      "updated_at = excluded.updated_at, "
      "cover = CASE WHEN length(excluded.cover) > 0 THEN excluded.cover ELSE book.cover END");
  q->bind(1, book)
      .bind(2, details.name)
      .bind(3, details.cover_address)
      .bind(4, details.author)
      .bind(5, details.category)
      .bind(6, details.status)
      .bind(7, details.intro)
      .bind(8, now_seconds())
      .bind(9, cover.view());
  q->run();
}

void Library::save_chapter_list(const std::string& book, const std::vector<StoredChapter>& chapters) {
  Store& h = store_of(connection_);
  sql::Transaction transaction(h.db, sql::Transaction::Kind::write);
  const std::int64_t id = require_book(h, book);
  {
    Query clear = h.query("DELETE FROM chapter WHERE book_id = ?1");
    clear->bind(1, id);
    clear->run();
  }
  {
    Query insert = h.query(
        "INSERT INTO chapter (book_id, position, title, address) VALUES (?1, ?2, ?3, ?4)");
    std::int64_t position = 0;
    for (const StoredChapter& chapter : chapters) {
      insert->bind(1, id).bind(2, position++).bind(3, chapter.title).bind(4, chapter.address);
      insert->run();
      insert->reset();
    }
  }
  {
    Query touch = h.query("UPDATE book SET updated_at = ?2 WHERE id = ?1");
    touch->bind(1, id).bind(2, now_seconds());
    touch->run();
  }
  transaction.commit();
}

void Library::save_chapter_text(const std::string& book, int index, const Text& text,
                                std::int64_t fetched_at) {
  Store& h = store_of(connection_);
  sql::Transaction transaction(h.db, sql::Transaction::Kind::write);
  const std::int64_t id = require_book(h, book);
  write_text(h, id, chapter_address(h, id, book, index), text, fetched_at);
  transaction.commit();
}

void Library::save_chapter_text(const std::string& book, const Text& address, const Text& text,
                                std::int64_t fetched_at) {
  Store& h = store_of(connection_);
  sql::Transaction transaction(h.db, sql::Transaction::Kind::write);
  const std::int64_t id = require_book(h, book);
  write_text(h, id, listed_address(h, id, book, address), text, fetched_at);
  transaction.commit();
}

void Library::mark_chapter_missing(const std::string& book, int index, const lv::base::Failure& why) {
  Store& h = store_of(connection_);
  sql::Transaction transaction(h.db, sql::Transaction::Kind::write);
  const std::int64_t id = require_book(h, book);
  write_missing(h, id, chapter_address(h, id, book, index), why);
  transaction.commit();
}

void Library::mark_chapter_missing(const std::string& book, const Text& address, const lv::base::Failure& why) {
  Store& h = store_of(connection_);
  sql::Transaction transaction(h.db, sql::Transaction::Kind::write);
  const std::int64_t id = require_book(h, book);
  write_missing(h, id, listed_address(h, id, book, address), why);
  transaction.commit();
}

std::optional<StoredBook> Library::book(const std::string& book, bool with_texts) const {
  Store& h = store_of(connection_);
  // One snapshot for the book row and its chapters, whatever other writers do meanwhile.
  sql::Transaction snapshot(h.db, sql::Transaction::Kind::read);
  StoredBook stored;
  std::int64_t id = 0;
  {
    Query q = h.query(
        "SELECT id, name, cover_address, author, category, status, intro, updated_at, cover "
        "FROM book WHERE address = ?1");
    q->bind(1, book);
    if (!q->step()) return std::nullopt;
    id = q->integer(0);
    stored.book = book;
    stored.details.name = q->bytes(1);
    stored.details.cover_address = q->bytes(2);
    stored.details.author = q->bytes(3);
    stored.details.category = q->bytes(4);
    stored.details.status = q->bytes(5);
    stored.details.intro = q->bytes(6);
    stored.updated_at = q->integer(7);
    const std::string cover = q->bytes(8);
    stored.cover = Bytes::from_string(cover);
  }
  {
    Query q = h.query(with_texts ? kChaptersWithTexts : kChapters);
    q->bind(1, id);
    while (q->step()) stored.chapters.push_back(read_chapter(*q, static_cast<int>(stored.chapters.size()), with_texts));
  }
  snapshot.commit();
  return stored;
}

std::vector<int> Library::chapters_to_fetch(const std::string& book) const {
  Store& h = store_of(connection_);
  Query q = h.query(
      "SELECT t.id IS NULL OR t.missing IS NOT NULL FROM book b JOIN chapter c ON c.book_id = b.id "
      "LEFT JOIN chapter_text t ON t.book_id = c.book_id AND t.address = c.address "
      "WHERE b.address = ?1 ORDER BY c.position");
  q->bind(1, book);
  std::vector<int> indexes;
  for (int index = 0; q->step(); ++index) {
    if (q->integer(0) != 0) indexes.push_back(index);
  }
  return indexes;
}

std::optional<Text> Library::chapter_text(const std::string& book,
                                          std::string_view chapter_address) const {
  Store& h = store_of(connection_);
  Query q = h.query(
      "SELECT t.text FROM book b JOIN chapter_text t ON t.book_id = b.id "
      "WHERE b.address = ?1 AND t.address = ?2 AND t.missing IS NULL");
  q->bind(1, book).bind(2, chapter_address);
  if (!q->step()) return std::nullopt;
  return q->bytes(0);
}

std::vector<BookSummary> Library::books() const {
  Store& h = store_of(connection_);
  Query q = h.query(
      "SELECT b.address, b.name, b.author, "
      "(SELECT count(*) FROM chapter c WHERE c.book_id = b.id), "
      "(SELECT count(*) FROM chapter c JOIN chapter_text t "
      " ON t.book_id = c.book_id AND t.address = c.address "
      " WHERE c.book_id = b.id AND t.missing IS NULL) "
      "FROM book b ORDER BY b.id");
  std::vector<BookSummary> summaries;
  while (q->step()) {
    BookSummary summary;
    summary.book = q->bytes(0);
    summary.title = q->bytes(1);
    summary.author = q->bytes(2);
    summary.chapters = static_cast<int>(q->integer(3));
    summary.stored = static_cast<int>(q->integer(4));
    summary.missing = summary.chapters - summary.stored;
    summaries.push_back(std::move(summary));
  }
  return summaries;
}

}  // namespace lv::library
