// The library as a bookshelf: every book with its counts and where its
// reader was, reading positions, and taking a book out.
#include <algorithm>

#include "library/library.h"
#include "library/store.h"

namespace lv::library {

std::vector<BookSummary> Library::books() const {
  Store& h = store_of(connection_);
  sql::Transaction snapshot(h.db, sql::Transaction::Kind::read);
  // One pass over every chapter, counted per book; the chapter last read
  // is found among its book's chapters through the reading row.
  Query q = h.query(
      "WITH counts AS ("
      "  SELECT c.book_id, count(*) AS listed, "
      "    sum(t.id IS NOT NULL AND t.missing IS NULL) AS stored, "
      "    sum(c.removed) AS removed, "
      "    sum(NOT c.removed AND (t.id IS NULL OR t.missing IS NOT NULL)) AS missing, "
      "    sum(r.read_at IS NULL OR c.listed_at > r.read_at) AS fresh, "
      "    max(CASE WHEN c.address = r.chapter_address THEN c.position END) AS read_position "
      "  FROM chapter c LEFT JOIN chapter_text t ON t.book_id = c.book_id AND t.address = c.address "
      "  LEFT JOIN reading r ON r.book_id = c.book_id GROUP BY c.book_id) "
      "SELECT b.address, b.name, b.author, b.updated_at, b.checked_at, "
      "  coalesce(n.listed, 0), coalesce(n.stored, 0), coalesce(n.removed, 0), coalesce(n.missing, 0), "
      "  r.chapter_address, r.text_offset, r.read_at, "
      "  (SELECT title FROM chapter c WHERE c.book_id = b.id AND c.position = n.read_position), "
      "  (SELECT count(*) FROM chapter c WHERE c.book_id = b.id AND c.position < n.read_position), "
      "  coalesce(n.fresh, 0) "
      "FROM book b LEFT JOIN counts n ON n.book_id = b.id LEFT JOIN reading r ON r.book_id = b.id ORDER BY b.id");
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
    }
    summary.new_since_read = static_cast<int>(q->integer(14));
    summaries.push_back(std::move(summary));
  }
  return summaries;
}

void Library::visit_texts(const std::string& book, const std::function<bool(const TextVisit&)>& visit) const {
  Store& h = store_of(connection_);
  sql::Transaction snapshot(h.db, sql::Transaction::Kind::read);
  // The place in the list counts every chapter, stored or not, so the walk
  // takes every chapter and skips those without a text.
  Query q = h.query(
      "SELECT b.id, b.address, b.name, c.title, t.text FROM book b "
      "JOIN chapter c ON c.book_id = b.id "
      "LEFT JOIN chapter_text t ON t.book_id = c.book_id AND t.address = c.address AND t.missing IS NULL "
      "WHERE length(?1) = 0 OR b.address = ?1 ORDER BY b.id, c.position");
  q->bind(1, book);
  std::int64_t current = -1;
  int place = 0;
  while (q->step()) {
    if (const std::int64_t id = q->integer(0); id != current) {
      current = id;
      place = 0;
    }
    const int index = place++;
    if (q->is_null(4)) continue;
    const TextVisit row{q->view(1), q->view(2), index, q->view(3), q->view(4)};
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
  // The book is gone whatever happens here: a full disk (VACUUM needs room
  // for a copy) or a reader holding the file only keeps the room taken.
  try {
    h.db.exec("VACUUM");
    h.db.exec("PRAGMA wal_checkpoint(TRUNCATE)");
  } catch (const LibraryError&) {
  }
  return true;
}

}  // namespace lv::library
