#pragma once
// The local library: whole books kept on disk in one SQLite file, so that a
// book can be read and exported without the network and a broken download
// picks up where it stopped. It knows nothing of the network; the routines
// fill it. One Library object per thread (SQLite connections are not shared);
// several may have the same file open, in this process or another.
#include <cstdint>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
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

// One chapter of a stored book's chapter list.
struct StoredChapter {
  int index = 0;            // 0-based place in the chapter list
  Text title;
  Text address;             // relative to the book address, as the list gives it
  bool stored = false;      // its text is in the library
  Text text;                // as the reader shows it; "" unless stored (and asked for)
  lv::base::Failure missing;  // why the last try failed, when it did and nothing is stored
  std::int64_t fetched_at = 0;  // seconds since 1970 (UTC) when stored; 0 otherwise
};

struct StoredBook {
  std::string book;         // the book address: the key
  BookDetails details;
  Bytes cover;              // the cover picture's bytes as downloaded; empty when none
  std::int64_t updated_at = 0;  // seconds since 1970 (UTC): details or chapter list last saved
  std::vector<StoredChapter> chapters;  // in list order
};

struct BookSummary {
  std::string book;
  Text title;
  Text author;
  int chapters = 0;         // in the chapter list
  int stored = 0;           // with their text
  int missing = 0;          // chapters - stored
};

// $XDG_DATA_HOME/lorevane/library.sqlite3, or ~/.local/share/lorevane/library.sqlite3
// when XDG_DATA_HOME is unset or empty.
std::string default_library_path();

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
  // The chapter list, in order. Texts are kept by address: a chapter whose
  // address was in the old list keeps its text wherever it moves, and the
  // text of a chapter no longer listed stays stored (listed again, it is
  // there). The book must have been saved.
  void save_chapter_list(const std::string& book, const std::vector<StoredChapter>& chapters);
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
  // Places in the list (0-based) of the chapters whose text is not stored.
  std::vector<int> chapters_to_fetch(const std::string& book) const;
  // The stored text of the chapter at that address of that book, if any.
  std::optional<Text> chapter_text(const std::string& book, std::string_view chapter_address) const;
  // Every stored book, in the order they were first saved.
  std::vector<BookSummary> books() const;

 private:
  struct Connection;
  explicit Library(std::unique_ptr<Connection> connection);
  std::unique_ptr<Connection> connection_;
};

}  // namespace lv::library
