#pragma once
// The local library: whole books kept on disk in one SQLite file, so that a
// book can be read and exported without the network and a broken download
// picks up where it stopped. It knows nothing of the network; the routines
// fill it. One Library object per thread (SQLite connections are not shared);
// several may have the same file open, in this process or another.
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "base/failure.h"
#include "base/text.h"

namespace lv::library {

using lv::base::Bytes;
using lv::base::Text;

// Why the library could not do what was asked, in kinds a window can word
// in its own language.
enum class LibraryProblem {
  not_a_library,  // no database at all, or another program's
  damaged,        // a database cut short or corrupt
  newer_version,  // written by a newer version of the program
  not_a_file,     // a folder, a device, a pipe, a link to nothing
  no_access,      // cannot be created, read or written (permissions, read-only)
  disk_full,
  in_use,         // another program kept it locked past the busy timeout
  io_error,       // the disk failed a read or a write
  unknown_entry,  // a write for a book or a chapter the library does not hold
  other,
};

// The message (what()) names the file and says why in words, in English.
struct LibraryError : std::runtime_error {
  LibraryError(LibraryProblem problem, std::string path, std::string detail);
  LibraryProblem problem;
  std::string path;    // the library file; "" when not known
  std::string detail;  // the system's or SQLite's own words, or what was missing
};

// What the book information page says of a book (GBK texts).
struct BookDetails {
  Text name;
  Text cover_address;
  Text author;     // with its "作者：" label, as the window shows it
  Text category;
  Text status;
  Text intro;      // as the window shows it
  friend bool operator==(const BookDetails&, const BookDetails&) = default;
};

// One chapter of a stored book's chapter list. Times are seconds since 1970 (UTC).
struct StoredChapter {
  int index = 0;            // 0-based place in the chapter list
  Text title;
  Text address;             // relative to the book address, as the list gives it
  bool stored = false;      // its text is in the library
  Text text;                // as the reader shows it; "" unless stored (and asked for)
  lv::base::Failure missing;  // why the last try failed, when it did and nothing is stored
  std::int64_t fetched_at = 0;  // when stored; 0 otherwise
  bool removed = false;     // the site no longer lists it; kept with its text
  std::int64_t listed_at = 0;   // when it first appeared in the list
};

struct StoredBook {
  std::string book;         // the book address: the key
  BookDetails details;
  Bytes cover;              // the cover picture's bytes as downloaded; empty when none
  std::int64_t updated_at = 0;  // when the details, the cover, the list or a text last changed
  std::int64_t checked_at = 0;  // when the site was last asked for the book
  std::vector<StoredChapter> chapters;  // in list order
};

// Where the reader was in a book: the chapter (by address, which survives
// any change of the list) and how far into its text.
struct ReadingPosition {
  Text chapter_address;
  int text_offset = 0;      // characters into the text view
  std::int64_t read_at = 0;
  friend bool operator==(const ReadingPosition&, const ReadingPosition&) = default;
};

struct BookSummary {
  std::string book;
  Text title;
  Text author;
  int chapters = 0;         // in the chapter list, removed ones included
  int stored = 0;           // with their text
  int missing = 0;          // listed by the site and without their text
  int removed = 0;          // no longer listed by the site
  std::int64_t updated_at = 0;
  std::int64_t checked_at = 0;
  std::optional<ReadingPosition> reading;  // none until the book was read
  int last_read_index = -1; // place in the list of the chapter last read; -1 for none
  Text last_read_title;
  int new_since_read = 0;   // chapters that appeared after the last read (all, when never read)
};

// One stored chapter text as a walk over the library hands it out.
struct TextVisit {
  std::string_view book;
  std::string_view book_title;
  int index = 0;               // place in the book's list
  std::string_view chapter_title;
  std::string_view text;       // valid during the visit only
};

// What a new chapter list did to the stored one.
struct ListChange {
  int added = 0;
  int removed = 0;
  int renamed = 0;
};

// $XDG_DATA_HOME/lorevane/library.sqlite3, or ~/.local/share/lorevane/library.sqlite3
// when XDG_DATA_HOME is unset or empty.
std::string default_library_path();

struct Store;

class Library final {
 public:
  // Opens for reading and writing (creating the file and its folder when
  // missing) and brings the schema up to date. WAL mode.
  static Library open(const std::string& path);
  // Opens an existing file for reading only, so that a library in a folder
  // or a file that cannot be written still reads; nullopt when there is no
  // file. Every write throws.
  static std::optional<Library> open_for_reading(const std::string& path);
  ~Library();
  Library(Library&&) noexcept;
  Library& operator=(Library&&) noexcept;
  Library(const Library&) = delete;
  Library& operator=(const Library&) = delete;

  // The book's details and cover, replacing what was stored; keeps its
  // chapters. An empty cover keeps the stored one: a cover that did not come
  // this time is no reason to lose the one that came before.
  void save_book(const std::string& book, const BookDetails& details, const Bytes& cover);
  // A new cover for a stored book (an empty one changes nothing).
  void save_cover(const std::string& book, const Bytes& cover);
  // The site's chapter list, merged into the stored one by address: a
  // chapter keeps its text wherever it moves and under a new title; one the
  // site no longer lists stays, marked removed, after the chapter it
  // followed; new ones take the site's order. The book must have been saved.
  ListChange save_chapter_list(const std::string& book, const std::vector<StoredChapter>& chapters);
  // One chapter's text, in a transaction of its own: a killed program loses
  // at most the chapter in flight. Clears a missing mark. The chapter is
  // found by its place in the list (0-based) or by its address. An empty
  // text is no chapter: it is recorded as missing instead.
  void save_chapter_text(const std::string& book, int index, const Text& text, std::int64_t fetched_at);
  void save_chapter_text(const std::string& book, const Text& address, const Text& text, std::int64_t fetched_at);
  // Records why a chapter could not be fetched; never stores an empty text.
  // A chapter whose text is stored keeps it.
  void mark_chapter_missing(const std::string& book, int index, const lv::base::Failure& why);
  void mark_chapter_missing(const std::string& book, const Text& address, const lv::base::Failure& why);

  // The whole book; texts only when asked for.
  std::optional<StoredBook> book(const std::string& book, bool with_texts = true) const;
  // The book's details, cover and times, without its chapters.
  std::optional<StoredBook> book_details(const std::string& book) const;
  // Places in the list (0-based) of the chapters whose text is not stored.
  std::vector<int> chapters_to_fetch(const std::string& book) const;
  // The stored text of the chapter at that address of that book, if any.
  std::optional<Text> chapter_text(const std::string& book, std::string_view chapter_address) const;
  // Every stored book, in the order they were first saved.
  std::vector<BookSummary> books() const;
  // Every stored chapter text, book by book in the order they were first
  // saved, chapters in list order; only the book at `book` when it is not
  // empty. The walk ends early when `visit` returns false.
  void visit_texts(const std::string& book, const std::function<bool(const TextVisit&)>& visit) const;
  // The stored cover's bytes; empty when there is none.
  Bytes cover(const std::string& book) const;

  // Where the reader was; saved when the chapter changes and when the reader closes.
  void save_reading_position(const std::string& book, const ReadingPosition& position);
  std::optional<ReadingPosition> reading_position(const std::string& book) const;

  // The book, its chapters and its reading position leave the library, and
  // the file gives back the room they took. False when it was not there.
  bool remove_book(const std::string& book);

 private:
  struct Connection;
  friend Store& store_of(const std::unique_ptr<Connection>& connection);
  explicit Library(std::unique_ptr<Connection> connection);
  std::unique_ptr<Connection> connection_;
};

}  // namespace lv::library
