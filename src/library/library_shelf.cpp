// The library as a bookshelf: every book with its counts and where its
// reader was, reading positions, and taking a book out.
#include <algorithm>

#include "library/library.h"
#include "library/store.h"

namespace lv::library {

std::vector<BookSummary> Library::books() const {
  Store& h = store_of(connection_);
  sql::Transaction snapshot(h.db, sql::Transaction::Kind::read);
  Query q = h.query(
      "SELECT b.address, b.name, b.author, b.updated_at, b.checked_at, "
      "(SELECT count(*) FROM chapter c WHERE c.book_id = b.id), "
      "(SELECT count(*) FROM chapter c JOIN chapter_text t ON t.book_id = c.book_id AND t.address = c.address "
      " WHERE c.book_id = b.id AND t.missing IS NULL), "
      "(SELECT count(*) FROM chapter c WHERE c.book_id = b.id AND c.removed), "
      "(SELECT count(*) FROM chapter c WHERE c.book_id = b.id AND NOT c.removed AND NOT EXISTS ("
      "  SELECT 1 FROM chapter_text t WHERE t.book_id = c.book_id AND t.address = c.address AND t.missing IS NULL)), "
      "r.chapter_address, r.text_offset, r.read_at, "
      "(SELECT title FROM chapter c WHERE c.book_id = b.id AND c.address = r.chapter_address), "
      "(SELECT count(*) FROM chapter c WHERE c.book_id = b.id AND c.position < "
      "  (SELECT position FROM chapter c2 WHERE c2.book_id = b.id AND c2.address = r.chapter_address)), "
      "(SELECT count(*) FROM chapter c WHERE c.book_id = b.id AND c.listed_at > r.read_at) "
      "FROM book b LEFT JOIN reading r ON r.book_id = b.id ORDER BY b.id");
  std::vector<BookSummary> summaries;
  while (q->step()) {
    BookSummary summary;
    summary.book = q->bytes(0);
    summary.title = q->bytes(1);
    summary.author = q->bytes(2);
    summary.updated_at = q->integer(3);
    summary.checked_at = q->integer(4);
    summary.chapters = static_cast<int>(q->integer(5));
    summary.stored = static_cast<int>(q->integer(6));
    summary.removed = static_cast<int>(q->integer(7));
    summary.missing = static_cast<int>(q->integer(8));
    if (!q->is_null(9)) {
      summary.reading = ReadingPosition{q->bytes(9), static_cast<int>(q->integer(10)), q->integer(11)};
      // A chapter no longer in the list (an older list's address) has no place.
      if (!q->is_null(12)) {
        summary.last_read_title = q->bytes(12);
        summary.last_read_index = static_cast<int>(q->integer(13));
      }
      summary.new_since_read = static_cast<int>(q->integer(14));
    }
    summaries.push_back(std::move(summary));
  }
  return summaries;
}

void Library::visit_texts(const std::string& book, const std::function<bool(const TextVisit&)>& visit) const {
  Store& h = store_of(connection_);
  sql::Transaction snapshot(h.db, sql::Transaction::Kind::read);
  // The place in the list counts every chapter, stored or not.
  Query q = h.query(
      "SELECT b.address, b.name, c.place, c.title, t.text FROM book b "
      "JOIN (SELECT book_id, address, title, position, "
      "      row_number() OVER (PARTITION BY book_id ORDER BY position) - 1 AS place FROM chapter) c "
      "  ON c.book_id = b.id "
      "JOIN chapter_text t ON t.book_id = c.book_id AND t.address = c.address AND t.missing IS NULL "
      "WHERE length(?1) = 0 OR b.address = ?1 ORDER BY b.id, c.position");
  q->bind(1, book);
  while (q->step()) {
    const TextVisit row{q->view(0), q->view(1), static_cast<int>(q->integer(2)), q->view(3), q->view(4)};
    if (!visit(row)) break;
  }
}

void Library::save_reading_position(const std::string& book, const ReadingPosition& position) {
  Store& h = store_of(connection_);
  sql::Transaction transaction(h.db, sql::Transaction::Kind::write);
  const std::int64_t id = require_book(h, book);
  Query q = h.query(
      "INSERT INTO reading (book_id, chapter_address, text_offset, read_at) VALUES (?1, ?2, ?3, ?4) "
      "ON CONFLICT (book_id) DO UPDATE SET chapter_address = excluded.chapter_address, "
      "text_offset = excluded.text_offset, read_at = excluded.read_at");
  q->bind(1, id)
      .bind(2, position.chapter_address)
      .bind(3, std::int64_t{std::max(0, position.text_offset)})
      .bind(4, position.read_at != 0 ? position.read_at : now_seconds());
  q->run();
  transaction.commit();
}

std::optional<ReadingPosition> Library::reading_position(const std::string& book) const {
  Store& h = store_of(connection_);
  Query q = h.query(
      "SELECT r.chapter_address, r.text_offset, r.read_at FROM reading r JOIN book b ON b.id = r.book_id "
      "WHERE b.address = ?1");
  q->bind(1, book);
  if (!q->step()) return std::nullopt;
  return ReadingPosition{q->bytes(0), static_cast<int>(q->integer(1)), q->integer(2)};
}

bool Library::remove_book(const std::string& book) {
  Store& h = store_of(connection_);
  {
    sql::Transaction transaction(h.db, sql::Transaction::Kind::write);
    const auto id = find_book(h, book);
    if (!id) return false;
    // Chapters, texts and the reading position go with the book (ON DELETE CASCADE).
    Query q = h.query("DELETE FROM book WHERE id = ?1");
    q->bind(1, *id);
    q->run();
    transaction.commit();
  }
  // Gives the room back to the file system. Another program reading the
  // library keeps that from happening now; the room is then reused later.
  h.kept.clear();  // VACUUM waits for no statement of ours
  try {
    h.db.exec("VACUUM");
    h.db.exec("PRAGMA wal_checkpoint(TRUNCATE)");
  } catch (const LibraryError& error) {
    if (error.problem != LibraryProblem::in_use) throw;
  }
  return true;
}

}  // namespace lv::library
