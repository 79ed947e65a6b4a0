#include "library/library.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <fstream>
#include <functional>
#include <optional>

#include "library/schema.h"
#include "library/sqlite.h"
#include "library_test_support.h"
#include "support/test_support.h"

namespace lv::library {
namespace {

using lv::test::bytes;
using test::check_file;
using test::TempFolder;

const std::string kBook = "/book/1234/";

// 第一章 B5DA D2BB D5C2; 作者： D7F7 D5DF A3BA; 连载 C1AC D4D8
const Text kChapterOne = bytes({0xB5, 0xDA, 0xD2, 0xBB, 0xD5, 0xC2});
const Text kAuthor = bytes({0xD7, 0xF7, 0xD5, 0xDF, 0xA3, 0xBA, 'A'});
const Text kSerial = bytes({0xC1, 0xAC, 0xD4, 0xD8});

BookDetails details() {
  return {kChapterOne + "name", "/cover.jpg", kAuthor, "xuanhuan", kSerial,
          bytes({0xA1, 0xA1, 0xA1, 0xA1}) + "intro\r\nline"};  // A1A1: full-width space
}

std::vector<StoredChapter> list_of(const std::vector<std::string>& addresses) {
  std::vector<StoredChapter> list;
  for (const std::string& address : addresses) {
    StoredChapter chapter;
    chapter.title = kChapterOne + address;
    chapter.address = address;
    list.push_back(chapter);
  }
  return list;
}

std::vector<std::string> addresses_of(const StoredBook& book) {
  std::vector<std::string> out;
  for (const StoredChapter& chapter : book.chapters) out.push_back(chapter.address);
  return out;
}

TEST(Library, BookRoundTripsByteForByteAcrossReopening) {
  // Texts the way a page may give them: GBK, bytes that are no UTF-8 at all,
  // a trail byte that is a backslash, quotes, a lone lead byte at the end.
  const std::vector<Text> texts = {
      kChapterOne + "\r\n" + bytes({0xA1, 0xA1}) + "text",
      bytes({0x80, 0xFF, 0xFE, 0x81, 0x5C, '\'', '"', ';', 0xC3, 0x28, 0xB0}),  // 815C: trail 5C '\'
      std::string(20000, '\x7F') + bytes({0xB0, 0xA1}),  // long: spills into overflow pages
      std::string("zero\0inside", 11),
  };
  const Bytes cover = Bytes::from_string(std::string("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16));

  TempFolder folder;
  const std::string path = folder.file("a/b/library.sqlite3");  // folders created on open
  StoredBook expected;
  {
    Library library = Library::open(path);
    library.save_book(kBook, details(), cover);
    library.save_chapter_list(kBook, list_of({"1.html", "2.html", "3.html", "4.html", "5.html"}));
    for (std::size_t i = 0; i < texts.size(); ++i)
      library.save_chapter_text(kBook, static_cast<int>(i), texts[i], 1700000000 + static_cast<int>(i));
    expected = *library.book(kBook);
  }

  ASSERT_EQ(check_file(path), "ok");
  Library library = Library::open(path);
  const std::optional<StoredBook> book = library.book(kBook);
  ASSERT_TRUE(book);
  EXPECT_EQ(book->details, details());
  EXPECT_EQ(book->cover, cover);
  EXPECT_GT(book->updated_at, 0);
  ASSERT_EQ(book->chapters.size(), 5u);
  for (std::size_t i = 0; i < texts.size(); ++i) {
    const StoredChapter& chapter = book->chapters[i];
    EXPECT_EQ(chapter.index, static_cast<int>(i));
    EXPECT_EQ(chapter.title, kChapterOne + chapter.address);
    EXPECT_TRUE(chapter.stored);
    EXPECT_EQ(chapter.text, texts[i]) << i;
    EXPECT_EQ(chapter.fetched_at, 1700000000 + static_cast<int>(i));
    EXPECT_EQ(library.chapter_text(kBook, chapter.address), texts[i]);
    EXPECT_EQ(expected.chapters[i].text, texts[i]);
  }
  EXPECT_FALSE(book->chapters[4].stored);
  EXPECT_EQ(book->chapters[4].text, "");

  // Without texts: the same chapters, flags and times, no text.
  const StoredBook bare = *library.book(kBook, false);
  ASSERT_EQ(bare.chapters.size(), 5u);
  EXPECT_TRUE(bare.chapters[1].stored);
  EXPECT_EQ(bare.chapters[1].text, "");
  EXPECT_EQ(bare.chapters[1].fetched_at, 1700000001);

  const std::vector<BookSummary> books = library.books();
  ASSERT_EQ(books.size(), 1u);
  EXPECT_EQ(books[0].book, kBook);
  EXPECT_EQ(books[0].title, details().name);
  EXPECT_EQ(books[0].author, kAuthor);
  EXPECT_EQ(books[0].chapters, 5);
  EXPECT_EQ(books[0].stored, 4);
  EXPECT_EQ(books[0].missing, 1);
}

TEST(Library, NewChapterListIsMergedAndNoTextIsLost) {
  TempFolder folder;
  Library library = Library::open(folder.file("library.sqlite3"));
  library.save_book(kBook, details(), {});
  library.save_chapter_list(kBook, list_of({"a", "b", "c", "d"}));
  library.save_chapter_text(kBook, 0, "text a", 1);
  library.save_chapter_text(kBook, 1, "text b", 2);
  library.save_chapter_text(kBook, 2, "text c", 3);
  library.mark_chapter_missing(kBook, 3, lv::base::Failure::of(lv::base::FailureKind::timed_out));

  // b moves to the front, a to the end, c and d leave the site, e arrives:
  // c and d stay after b, the chapter they followed, marked removed.
  const ListChange change = library.save_chapter_list(kBook, list_of({"b", "e", "a"}));
  EXPECT_EQ(change.added, 1);
  EXPECT_EQ(change.removed, 2);
  StoredBook book = *library.book(kBook);
  EXPECT_EQ(addresses_of(book), (std::vector<std::string>{"b", "c", "d", "e", "a"}));
  EXPECT_EQ(book.chapters[0].text, "text b");
  EXPECT_EQ(book.chapters[0].fetched_at, 2);
  EXPECT_TRUE(book.chapters[1].removed);
  EXPECT_EQ(book.chapters[1].text, "text c");
  EXPECT_TRUE(book.chapters[2].removed);
  EXPECT_FALSE(book.chapters[3].stored);
  EXPECT_EQ(book.chapters[4].text, "text a");
  EXPECT_EQ(book.chapters[4].index, 4);
  // A removed chapter is not fetched (the site no longer lists it).
  EXPECT_EQ(library.chapters_to_fetch(kBook), std::vector<int>{3});

  // Listed again, d is back in place with its mark; a new title keeps the text.
  auto renamed = list_of({"b", "c", "d", "e", "a"});
  renamed[0].title = "new title of b";
  EXPECT_EQ(library.save_chapter_list(kBook, renamed).renamed, 1);
  book = *library.book(kBook);
  EXPECT_FALSE(book.chapters[2].removed);
  EXPECT_EQ(book.chapters[2].missing.kind, lv::base::FailureKind::timed_out);
  EXPECT_EQ(book.chapters[0].title, "new title of b");
  EXPECT_EQ(book.chapters[0].text, "text b");

  // Saving the details again keeps the chapters.
  library.save_book(kBook, details(), {});
  EXPECT_EQ(library.book(kBook)->chapters.size(), 5u);
  EXPECT_EQ(check_file(folder.file("library.sqlite3")), "ok");
}

// The time that dates an export moves only when what the export shows changes.
TEST(Library, ContentTimeMovesOnlyWithTheContent) {
  TempFolder folder;
  Library library = Library::open(folder.file("library.sqlite3"));
  library.save_book(kBook, details(), {});
  library.save_chapter_list(kBook, list_of({"a", "b"}));
  library.save_chapter_text(kBook, 0, "text a", 1);
  library.mark_chapter_missing(kBook, 1, lv::base::Failure::of(lv::base::FailureKind::timed_out));
  sql::Database::open(folder.file("library.sqlite3")).exec("UPDATE book SET updated_at = 5, checked_at = 5");

  const std::function<void()> unchanged[] = {
      [&] { library.save_book(kBook, details(), {}); },
      [&] { library.save_chapter_list(kBook, list_of({"a", "b"})); },
      [&] { library.save_chapter_text(kBook, 0, "text a", 9); },
      [&] { library.mark_chapter_missing(kBook, 1, lv::base::Failure::of(lv::base::FailureKind::timed_out)); },
  };
  for (const auto& write : unchanged) write();
  EXPECT_EQ(library.book(kBook)->updated_at, 5);
  EXPECT_GT(library.book(kBook)->checked_at, 5);

  const std::function<void()> changes[] = {
      [&] { BookDetails d = details(); d.status = "done"; library.save_book(kBook, d, {}); },
      [&] { library.save_book(kBook, details(), Bytes::from_string("\x89PNG\r\n\x1a\n")); },
      [&] { library.save_chapter_list(kBook, list_of({"a", "b", "c"})); },
      [&] { library.save_chapter_text(kBook, 0, "text a, changed", 9); },
      [&] { library.mark_chapter_missing(kBook, 1, lv::base::Failure::of(lv::base::FailureKind::connection_reset)); },
  };
  for (std::size_t i = 0; i < std::size(changes); ++i) {
    sql::Database::open(folder.file("library.sqlite3")).exec("UPDATE book SET updated_at = 5");
    changes[i]();
    EXPECT_GT(library.book(kBook)->updated_at, 5) << i;
  }
}

TEST(Library, ReadingPositionAndRemovingABook) {
  TempFolder folder;
  const std::string path = folder.file("library.sqlite3");
  Library library = Library::open(path);
  library.save_book(kBook, details(), {});
  library.save_chapter_list(kBook, list_of({"a", "b", "c"}));
  EXPECT_EQ(library.reading_position(kBook), std::nullopt);
  EXPECT_EQ(library.books().at(0).new_since_read, 3);  // never read: every chapter is new
  library.save_reading_position(kBook, {"b", 120, 1000});
  EXPECT_EQ(library.reading_position(kBook), (ReadingPosition{"b", 120, 1000}));
  sql::Database::open(path).exec("UPDATE chapter SET listed_at = CASE CAST(address AS TEXT) WHEN 'c' THEN 2000 ELSE 500 END");
  BookSummary shelf = library.books().at(0);
  EXPECT_EQ(shelf.last_read_index, 1);
  EXPECT_EQ(shelf.last_read_title, kChapterOne + "b");
  EXPECT_EQ(shelf.new_since_read, 1);

  for (int i = 0; i < 3; ++i) library.save_chapter_text(kBook, i, std::string(200000, 'x'), 1);
  const auto on_disk = [&] {
    std::uintmax_t size = 0;
    for (const char* tail : {"", "-wal"}) size += std::filesystem::exists(path + tail) ? std::filesystem::file_size(path + tail) : 0;
    return size;
  };
  const auto size_before = on_disk();
  EXPECT_TRUE(library.remove_book(kBook));
  EXPECT_FALSE(library.remove_book(kBook));
  EXPECT_EQ(library.book(kBook), std::nullopt);
  EXPECT_EQ(library.chapter_text(kBook, "a"), std::nullopt);
  EXPECT_LT(on_disk(), size_before / 4);
  EXPECT_EQ(check_file(path), "ok");
}

TEST(Library, MissingMarksAndWhatToFetch) {
  struct Step {
    bool text;          // save_chapter_text, else mark_chapter_missing
    std::string value;  // the text or the reason
  };
  const struct {
    const char* what;
    std::vector<Step> steps;
    std::string text;     // stored text, "" when none
    std::string missing;  // the mark shown
  } cases[] = {
      {"never tried", {}, "", ""},
      {"failed", {{false, "HTTP 503"}}, "", "HTTP 503"},
      {"failed twice", {{false, "HTTP 503"}, {false, "timed out"}}, "", "timed out"},
      {"failed, then fetched", {{false, "HTTP 503"}, {true, "text"}}, "text", ""},
      {"fetched, then a refresh failed", {{true, "text"}, {false, "HTTP 503"}}, "text", ""},
      {"fetched twice", {{true, "old"}, {true, "new"}}, "new", ""},
      {"came empty", {{true, ""}}, "", "the chapter page holds no text"},
      {"fetched, then came empty", {{true, "text"}, {true, ""}}, "text", ""},
      {"failed without a reason", {{false, ""}}, "", "no reason given"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    TempFolder folder;
    Library library = Library::open(folder.file("library.sqlite3"));
    library.save_book(kBook, details(), {});
    library.save_chapter_list(kBook, list_of({"x", "y"}));
    library.save_chapter_text(kBook, 1, "y", 1);
    for (const Step& step : c.steps) {
      if (step.text) library.save_chapter_text(kBook, 0, step.value, 5);
      else library.mark_chapter_missing(kBook, 0, lv::base::decode_failure(step.value));
    }
    const StoredChapter chapter = library.book(kBook)->chapters[0];
    EXPECT_EQ(chapter.stored, !c.text.empty());
    EXPECT_EQ(chapter.text, c.text);
    EXPECT_EQ(chapter.missing.failed() ? lv::base::english(chapter.missing) : "", c.missing);
    EXPECT_EQ(chapter.fetched_at, c.text.empty() ? 0 : 5);
    EXPECT_EQ(library.chapters_to_fetch(kBook), c.text.empty() ? std::vector<int>{0} : std::vector<int>{});
    EXPECT_EQ(library.books()[0].stored, c.text.empty() ? 1 : 2);
    EXPECT_EQ(check_file(folder.file("library.sqlite3")), "ok");
  }
}

TEST(Library, RefusesWritesItCannotPlace) {
  TempFolder folder;
  Library library = Library::open(folder.file("library.sqlite3"));
  library.save_book(kBook, details(), {});
  library.save_chapter_list(kBook, list_of({"x"}));
  const std::function<void()> writes[] = {
      [&] { library.save_book("", details(), {}); },
      [&] { library.save_chapter_list("/unknown/", list_of({"x"})); },
      [&] { library.save_chapter_text("/unknown/", 0, "text", 1); },
      [&] { library.save_chapter_text(kBook, 1, "text", 1); },
      [&] { library.save_chapter_text(kBook, -1, "text", 1); },
      [&] { library.mark_chapter_missing(kBook, 7, lv::base::Failure::of(lv::base::FailureKind::timed_out)); },
  };
  for (std::size_t i = 0; i < std::size(writes); ++i) EXPECT_THROW(writes[i](), LibraryError) << i;
  // Nothing half-written; unknown books read as absent.
  EXPECT_EQ(library.books().size(), 1u);
  EXPECT_EQ(library.chapters_to_fetch(kBook), std::vector<int>{0});
  EXPECT_EQ(library.book("/unknown/"), std::nullopt);
  EXPECT_EQ(library.chapters_to_fetch("/unknown/"), std::vector<int>{});
  EXPECT_EQ(library.chapter_text("/unknown/", "x"), std::nullopt);

  Library moved = std::move(library);
  EXPECT_THROW(library.books(), LibraryError);  // NOLINT(bugprone-use-after-move): on purpose
  EXPECT_EQ(moved.books().size(), 1u);
}

TEST(Library, OpenRefusesFilesItMustNotWrite) {
  const struct {
    const char* what;
    std::function<void(const std::string&)> make;
    const char* message;
  } cases[] = {
      {"a newer schema",
       [](const std::string& path) {
         Library::open(path);
         sql::Database db = sql::Database::open(path);
         db.exec(("PRAGMA user_version = " + std::to_string(schema_version() + 1)).c_str());
       },
       "is from a newer version of Lorevane"},
      {"not a database", [](const std::string& path) { std::ofstream(path) << std::string(4096, 'x'); },
       "is not a Lorevane library"},
      {"another program's database",
       [](const std::string& path) { sql::Database::open(path).exec("CREATE TABLE notes (body TEXT)"); },
       "belongs to another program"},
      {"another program's versioned database",
       [](const std::string& path) { sql::Database::open(path).exec("PRAGMA user_version = 1"); },
       "belongs to another program"},
      {"cut short",
       [](const std::string& path) {
         {
           Library library = Library::open(path);
           library.save_book(kBook, details(), {});
           library.save_chapter_list(kBook, list_of({"a", "b"}));
           library.save_chapter_text(kBook, 0, std::string(40000, 'x'), 1);
         }
         std::filesystem::resize_file(path, 5000);
       },
       "is damaged"},
      {"a folder", [](const std::string& path) { std::filesystem::create_directory(path); }, "(a folder)"},
      {"a link to nothing", [](const std::string& path) { std::filesystem::create_symlink(path + ".gone", path); },
       "a link to a file that does not exist"},
      {"a pipe", [](const std::string& path) { ::mkfifo(path.c_str(), 0600); }, "a device or a pipe"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    TempFolder folder;
    const std::string path = folder.file("library.sqlite3");
    c.make(path);
    for (const bool writing : {true, false}) {
      try {
        if (writing) Library::open(path);
        else Library::open_for_reading(path)->books();
        ADD_FAILURE() << "opened";
      } catch (const LibraryError& e) {
        EXPECT_NE(std::string(e.what()).find(c.message), std::string::npos) << e.what();
        EXPECT_NE(std::string(e.what()).find(path), std::string::npos) << e.what();
      }
    }
  }
}

// A library that cannot be written still reads, and writes are refused with
// their reason. The folder is made read-only, which holds for anyone but
// root; for root a folder stands where SQLite would make its shared file.
TEST(Library, OpensForReadingWhatCannotBeWritten) {
  TempFolder folder;
  const std::string path = folder.file("library.sqlite3");
  EXPECT_EQ(Library::open_for_reading(path), std::nullopt);  // no file: no library, nothing created
  EXPECT_FALSE(std::filesystem::exists(path));
  {
    Library library = Library::open(path);
    library.save_book(kBook, details(), {});
    library.save_chapter_list(kBook, list_of({"a"}));
    library.save_chapter_text(kBook, 0, "text a", 1);
  }
  std::filesystem::create_directory(path + "-shm");
  const std::string folder_path = std::filesystem::path(path).parent_path().string();
  ::chmod(folder_path.c_str(), 0555);
  auto library = Library::open_for_reading(path);
  ASSERT_TRUE(library.has_value());
  EXPECT_EQ(library->book(kBook)->chapters[0].text, "text a");
  try {
    library->save_chapter_text(kBook, 0, "changed", 2);
    ADD_FAILURE() << "written";
  } catch (const LibraryError& e) {
    EXPECT_EQ(e.problem, LibraryProblem::no_access) << e.what();
  }
  library.reset();
  ::chmod(folder_path.c_str(), 0755);
}

TEST(Library, DefaultPathFollowsXdgDataHome) {
  const char* saved_data = std::getenv("XDG_DATA_HOME");
  const std::optional<std::string> data = saved_data ? std::optional<std::string>(saved_data) : std::nullopt;
  const char* saved_home = std::getenv("HOME");
  const std::optional<std::string> home = saved_home ? std::optional<std::string>(saved_home) : std::nullopt;
  ::setenv("HOME", "/home/reader", 1);
  const struct {
    const char* xdg;  // nullptr: unset
    const char* path;
  } cases[] = {
      {"/data", "/data/lorevane/library.sqlite3"},
      {nullptr, "/home/reader/.local/share/lorevane/library.sqlite3"},
      {"", "/home/reader/.local/share/lorevane/library.sqlite3"},
      {"relative/data", "/home/reader/.local/share/lorevane/library.sqlite3"},  // ignored, as XDG says
  };
  for (const auto& c : cases) {
    if (c.xdg) ::setenv("XDG_DATA_HOME", c.xdg, 1);
    else ::unsetenv("XDG_DATA_HOME");
    EXPECT_EQ(default_library_path(), c.path) << (c.xdg ? c.xdg : "unset");
  }
  if (data) ::setenv("XDG_DATA_HOME", data->c_str(), 1);
  else ::unsetenv("XDG_DATA_HOME");
  if (home) ::setenv("HOME", home->c_str(), 1);
  else ::unsetenv("HOME");
}

}  // namespace
}  // namespace lv::library
