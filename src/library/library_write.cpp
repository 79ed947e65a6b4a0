// Writes to the library. Each keeps the book's "content changed" time
// (updated_at) honest: it moves only when what an export shows changes, so
// exports of an unchanged book stay the same bytes.
#include <utility>

#include "library/chapter_merge.h"
#include "library/library.h"
#include "library/store.h"

namespace lv::library {

namespace {

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

// SQLite's count of rows the last statement changed.
bool changed_rows(Store& h) { return sqlite3_changes(h.db.get()) > 0; }

void write_missing(Store& h, std::int64_t book_id, const Text& address, lv::base::Failure why) {
  if (!why.failed()) why.kind = lv::base::FailureKind::words;  // a mark says why, even when nobody said
  // A chapter already stored keeps its text: a failed fetch later loses
  // nothing. The same mark again changes nothing.
  Query q = h.query(
      "INSERT INTO chapter_text (book_id, address, fetched_at, missing, text) "
      "VALUES (?1, ?2, 0, ?3, NULL) "
      "ON CONFLICT (book_id, address) DO UPDATE SET missing = excluded.missing "
      "WHERE chapter_text.text IS NULL AND chapter_text.missing IS NOT excluded.missing");
  q->bind(1, book_id).bind(2, address).bind(3, lv::base::encode_failure(why));
  q->run();
  if (changed_rows(h)) touch_book(h, book_id);
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
      "missing = NULL, text = excluded.text "
      "WHERE chapter_text.text IS NOT excluded.text");
  q->bind(1, book_id).bind(2, address).bind(3, fetched_at).bind(4, text);
  q->run();
  if (changed_rows(h)) touch_book(h, book_id);
}

std::vector<ListedChapter> stored_list(Store& h, std::int64_t book_id) {
  Query q = h.query(
      "SELECT c.title, c.address, c.removed, c.listed_at, EXISTS (SELECT 1 FROM chapter_text t "
      "WHERE t.book_id = c.book_id AND t.address = c.address AND t.text IS NOT NULL) "
      "FROM chapter c WHERE c.book_id = ?1 ORDER BY c.position");
  q->bind(1, book_id);
  std::vector<ListedChapter> list;
  while (q->step()) list.push_back({q->bytes(0), q->bytes(1), q->integer(2) != 0, q->integer(3), q->integer(4) != 0});
  return list;
}

}  // namespace

void Library::save_book(const std::string& book, const BookDetails& details, const Bytes& cover) {
  Store& h = store_of(connection_);
  if (book.empty()) throw LibraryError(LibraryProblem::unknown_entry, h.db.path(), "a book needs its address");
  sql::Transaction transaction(h.db, sql::Transaction::Kind::write);
  const std::int64_t now = now_seconds();
  {
    // A new book, or what an export shows of it changed: its content is new.
    Query q = h.query(
        "INSERT INTO book (address, name, cover_address, author, category, status, intro, "
        "updated_at, checked_at, cover) VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?8, ?9) "
        "ON CONFLICT (address) DO UPDATE SET name = excluded.name, "
        "cover_address = excluded.cover_address, author = excluded.author, "
        "category = excluded.category, status = excluded.status, intro = excluded.intro, "
        "cover = CASE WHEN length(excluded.cover) > 0 THEN excluded.cover ELSE book.cover END, "
        "updated_at = excluded.updated_at "
        "WHERE (book.name, book.cover_address, book.author, book.category, book.status, book.intro) IS NOT "
        "(excluded.name, excluded.cover_address, excluded.author, excluded.category, excluded.status, "
        "excluded.intro) OR (length(excluded.cover) > 0 AND excluded.cover IS NOT book.cover)");
    q->bind(1, book)
        .bind(2, details.name)
        .bind(3, details.cover_address)
        .bind(4, details.author)
        .bind(5, details.category)
        .bind(6, details.status)
        .bind(7, details.intro)
        .bind(8, now)
        .bind(9, cover.view());
    q->run();
  }
  {
    Query checked = h.query("UPDATE book SET checked_at = ?2 WHERE address = ?1");
    checked->bind(1, book).bind(2, now);
    checked->run();
  }
  transaction.commit();
}

void Library::save_cover(const std::string& book, const Bytes& cover) {
  Store& h = store_of(connection_);
  if (cover.empty()) return;
  sql::Transaction transaction(h.db, sql::Transaction::Kind::write);
  const std::int64_t id = require_book(h, book);
  Query q = h.query("UPDATE book SET cover = ?2 WHERE id = ?1 AND cover IS NOT ?2");
  q->bind(1, id).bind(2, cover.view());
  q->run();
  if (changed_rows(h)) touch_book(h, id);
  transaction.commit();
}

ListChange Library::save_chapter_list(const std::string& book, const std::vector<StoredChapter>& chapters) {
  Store& h = store_of(connection_);
  sql::Transaction transaction(h.db, sql::Transaction::Kind::write);
  const std::int64_t id = require_book(h, book);
  std::vector<ListedChapter> site;
  site.reserve(chapters.size());
  for (const StoredChapter& chapter : chapters) site.push_back({chapter.title, chapter.address, false, 0});
  MergedList merged = merge_chapter_lists(stored_list(h, id), site);
  if (merged.changed) {
    {
      Query clear = h.query("DELETE FROM chapter WHERE book_id = ?1");
      clear->bind(1, id);
      clear->run();
    }
    Query insert = h.query(
        "INSERT INTO chapter (book_id, position, title, address, removed, listed_at) VALUES (?1, ?2, ?3, ?4, ?5, ?6)");
    const std::int64_t now = now_seconds();
    std::int64_t position = 0;
    for (const ListedChapter& chapter : merged.chapters) {
      insert->bind(1, id)
          .bind(2, position++)
          .bind(3, chapter.title)
          .bind(4, chapter.address)
          .bind(5, std::int64_t{chapter.removed ? 1 : 0})
          .bind(6, chapter.listed_at != 0 ? chapter.listed_at : now);
      insert->run();
      insert->reset();
    }
    // An entry let go takes the failure noted for it along.
    Query forget = h.query("DELETE FROM chapter_text WHERE book_id = ?1 AND address = ?2 AND text IS NULL");
    for (const Text& address : merged.dropped) {
      forget->bind(1, id).bind(2, address);
      forget->run();
      forget->reset();
    }
    touch_book(h, id);
  }
  transaction.commit();
  return {merged.added, merged.removed, merged.renamed};
}

void Library::save_chapter_text(const std::string& book, int index, const Text& text, std::int64_t fetched_at) {
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

}  // namespace lv::library
