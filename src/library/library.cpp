#include "library/library.h"

#include <utility>

#include "library/library_file.h"
#include "library/schema.h"
#include "library/store.h"

namespace lv::library {

namespace {

// `index` is the chapter's place in the list as read; the stored positions
// only order the rows, whatever numbers a damaged or older file holds.
StoredChapter read_chapter(sql::Statement& row, int index, bool with_text) {
  // Columns: title, address, removed, listed_at, text row id, missing, fetched_at[, text]
  StoredChapter chapter;
  chapter.index = index;
  chapter.title = row.bytes(0);
  chapter.address = row.bytes(1);
  chapter.removed = row.integer(2) != 0;
  chapter.listed_at = row.integer(3);
  const bool has_row = !row.is_null(4);
  chapter.stored = has_row && row.is_null(5);
  if (has_row && !chapter.stored) chapter.missing = lv::base::decode_failure(row.bytes(5));
  if (chapter.stored) {
    chapter.fetched_at = row.integer(6);
    if (with_text) chapter.text = row.bytes(7);
  }
  return chapter;
}

// A text row is "stored" when it has no missing mark (the table's check makes
// that the same as having a text), which avoids reading the text itself.
constexpr std::string_view kChapters =
    "SELECT c.title, c.address, c.removed, c.listed_at, t.id, t.missing, t.fetched_at "
    "FROM chapter c LEFT JOIN chapter_text t ON t.book_id = c.book_id AND t.address = c.address "
    "WHERE c.book_id = ?1 ORDER BY c.position";
constexpr std::string_view kChaptersWithTexts =
    "SELECT c.title, c.address, c.removed, c.listed_at, t.id, t.missing, t.fetched_at, t.text "
    "FROM chapter c LEFT JOIN chapter_text t ON t.book_id = c.book_id AND t.address = c.address "
    "WHERE c.book_id = ?1 ORDER BY c.position";

}  // namespace

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

void touch_book(Store& h, std::int64_t book_id) {
  Query touch = h.query("UPDATE book SET updated_at = ?2 WHERE id = ?1");
  touch->bind(1, book_id).bind(2, now_seconds());
  touch->run();
}

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

// The book row into `stored`; its id, or nullopt when the book is not there.
std::optional<std::int64_t> read_book_row(Store& h, const std::string& book, StoredBook& stored) {
  Query q = h.query(
      "SELECT id, name, cover_address, author, category, status, intro, updated_at, checked_at, cover "
      "FROM book WHERE address = ?1");
  q->bind(1, book);
  if (!q->step()) return std::nullopt;
  stored.book = book;
  stored.details.name = q->bytes(1);
  stored.details.cover_address = q->bytes(2);
  stored.details.author = q->bytes(3);
  stored.details.category = q->bytes(4);
  stored.details.status = q->bytes(5);
  stored.details.intro = q->bytes(6);
  stored.updated_at = q->integer(7);
  stored.checked_at = q->integer(8);
  stored.cover = Bytes::from_string(q->bytes(9));
  return q->integer(0);
}

}  // namespace

std::optional<StoredBook> Library::book_details(const std::string& book) const {
  StoredBook stored;
  if (!read_book_row(store_of(connection_), book, stored)) return std::nullopt;
  return stored;
}

std::optional<StoredBook> Library::book(const std::string& book, bool with_texts) const {
  Store& h = store_of(connection_);
  // One snapshot for the book row and its chapters, whatever other writers do meanwhile.
  sql::Transaction snapshot(h.db, sql::Transaction::Kind::read);
  StoredBook stored;
  const std::optional<std::int64_t> id = read_book_row(h, book, stored);
  if (!id) return std::nullopt;
  {
    Query q = h.query(with_texts ? kChaptersWithTexts : kChapters);
    q->bind(1, *id);
    while (q->step()) stored.chapters.push_back(read_chapter(*q, static_cast<int>(stored.chapters.size()), with_texts));
  }
  snapshot.commit();
  return stored;
}

std::vector<int> Library::chapters_to_fetch(const std::string& book) const {
  Store& h = store_of(connection_);
  Query q = h.query(
      "SELECT (t.id IS NULL OR t.missing IS NOT NULL) AND NOT c.removed FROM book b "
      "JOIN chapter c ON c.book_id = b.id "
      "LEFT JOIN chapter_text t ON t.book_id = c.book_id AND t.address = c.address "
      "WHERE b.address = ?1 ORDER BY c.position");
  q->bind(1, book);
  std::vector<int> indexes;
  for (int index = 0; q->step(); ++index) {
    if (q->integer(0) != 0) indexes.push_back(index);
  }
  return indexes;
}

std::optional<Text> Library::chapter_text(const std::string& book, std::string_view chapter_address) const {
  Store& h = store_of(connection_);
  Query q = h.query(
      "SELECT t.text FROM book b JOIN chapter_text t ON t.book_id = b.id "
      "WHERE b.address = ?1 AND t.address = ?2 AND t.missing IS NULL");
  q->bind(1, book).bind(2, chapter_address);
  if (!q->step()) return std::nullopt;
  return q->bytes(0);
}

Bytes Library::cover(const std::string& book) const {
  Store& h = store_of(connection_);
  Query q = h.query("SELECT cover FROM book WHERE address = ?1");
  q->bind(1, book);
  if (!q->step()) return {};
  return Bytes::from_string(q->bytes(0));
}

}  // namespace lv::library
