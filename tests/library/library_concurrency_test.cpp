// Two connections on one file, and a writer killed in the middle of a chapter.
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <thread>

#include "library/library.h"
#include "library_test_support.h"

namespace lv::library {
namespace {

using test::check_file;
using test::TempFolder;

const std::string kBook = "/book/77/";

// A text that says which chapter and which round it is, `size` bytes long,
// every byte GBK-shaped (lead 0xB0..0xF7, trail 0xA1..0xFE).
Text text_for(int index, std::int64_t round, std::size_t size) {
  Text text = std::to_string(index) + "/" + std::to_string(round) + ":";
  for (std::int64_t i = 0; text.size() + 1 < size; ++i) {
    text.push_back(static_cast<char>(0xB0 + (index + i) % 0x48));
    text.push_back(static_cast<char>(0xA1 + (round + i) % 0x5E));
  }
  return text;
}

void prepare_book(const std::string& path, int chapters) {
  Library library = Library::open(path);
  library.save_book(kBook, {"name", "", "author", "", "", ""}, {});
  std::vector<StoredChapter> list(static_cast<std::size_t>(chapters));
  for (int i = 0; i < chapters; ++i) list[static_cast<std::size_t>(i)].address = std::to_string(i) + ".html";
  library.save_chapter_list(kBook, list);
}

TEST(LibraryConcurrency, ReaderSeesWholeChaptersWhileAnotherConnectionWrites) {
  constexpr int kChapters = 120;
  constexpr std::size_t kSize = 3000;
  TempFolder folder;
  const std::string path = folder.file("library.sqlite3");
  prepare_book(path, kChapters);
  Library writer = Library::open(path);
  Library reader = Library::open(path);

  std::atomic_bool written{false};
  std::string writer_error;
  std::string reader_error;
  {
    std::jthread writing([&] {
      try {
        for (int i = 0; i < kChapters; ++i) writer.save_chapter_text(kBook, i, text_for(i, 0, kSize), i);
      } catch (const LibraryError& e) {
        writer_error = e.what();
      }
      written = true;
    });
    std::jthread reading([&] {
      try {
        int seen = 0;
        for (bool last = false; !last;) {
          last = written.load();  // one more read after the writer is done
          const StoredBook book = *reader.book(kBook);
          int stored = 0;
          for (const StoredChapter& chapter : book.chapters) {
            if (!chapter.stored) continue;
            ++stored;
            if (chapter.text != text_for(chapter.index, 0, kSize))
              reader_error = "chapter " + std::to_string(chapter.index) + " read in part";
          }
          if (stored < seen) reader_error = "stored chapters went back";
          seen = stored;
          if (reader.chapters_to_fetch(kBook).size() > static_cast<std::size_t>(kChapters - seen))
            reader_error = "more to fetch than the book showed";
          if (seen == kChapters) break;
        }
      } catch (const LibraryError& e) {
        reader_error = e.what();
      }
    });
  }
  EXPECT_EQ(writer_error, "");
  EXPECT_EQ(reader_error, "");
  EXPECT_EQ(reader.chapters_to_fetch(kBook), std::vector<int>{});
  EXPECT_EQ(check_file(path), "ok");
}

// The child writes chapter after chapter, round after round, and says so on a
// pipe after each commit; it is killed while writing. Every chapter it
// reported must be there, and every chapter there must be whole.
TEST(LibraryConcurrency, WriterKilledMidChapterLeavesSoundFileAndWholeChapters) {
  constexpr int kChapters = 24;
  constexpr int kReported = 36;             // one round and a half
  constexpr std::size_t kSize = 64 * 1024;  // sixteen pages: the kill lands inside a write
  TempFolder folder;
  const std::string path = folder.file("library.sqlite3");
  prepare_book(path, kChapters);  // closed again: no connection crosses the fork

  int pipe_ends[2];
  ASSERT_EQ(::pipe(pipe_ends), 0);
  const pid_t child = ::fork();
  ASSERT_NE(child, -1);
  if (child == 0) {
    ::close(pipe_ends[0]);
    try {
      Library library = Library::open(path);
      for (std::int64_t round = 1;; ++round) {
        for (int i = 0; i < kChapters; ++i) {
          library.save_chapter_text(kBook, i, text_for(i, round, kSize), round);
          const char done = 1;
          if (::write(pipe_ends[1], &done, 1) != 1) ::_exit(2);
        }
      }
    } catch (...) {
      ::_exit(1);
    }
  }
  ::close(pipe_ends[1]);
  int reported = 0;
  for (char done; reported < kReported; ++reported) {
    pollfd ready{pipe_ends[0], POLLIN, 0};
    if (::poll(&ready, 1, 60'000) != 1 || ::read(pipe_ends[0], &done, 1) != 1) break;  // child gone
  }
  ::kill(child, SIGKILL);
  int status = 0;
  ::waitpid(child, &status, 0);
  ::close(pipe_ends[0]);
  ASSERT_EQ(reported, kReported);
  ASSERT_TRUE(WIFSIGNALED(status));

  ASSERT_EQ(check_file(path), "ok");
  Library library = Library::open(path);
  const StoredBook book = *library.book(kBook);
  ASSERT_EQ(book.chapters.size(), static_cast<std::size_t>(kChapters));
  for (const StoredChapter& chapter : book.chapters) {
    ASSERT_TRUE(chapter.stored) << chapter.index;  // the first round was reported whole
    // Chapters reported in the second round are from it, or from a later write.
    EXPECT_GE(chapter.fetched_at, chapter.index < kReported - kChapters ? 2 : 1) << chapter.index;
    EXPECT_EQ(chapter.text, text_for(chapter.index, chapter.fetched_at, kSize)) << chapter.index;
  }
  EXPECT_EQ(library.chapters_to_fetch(kBook), std::vector<int>{});
}

// Two programs started at once on a library that does not exist yet: both
// create it, in either order, and neither fails.
TEST(LibraryConcurrency, TwoProcessesCreatingOneLibraryBothSucceed) {
  for (int round = 0; round < 8; ++round) {
    TempFolder folder;
    const std::string path = folder.file("library.sqlite3");
    int go[2];
    ASSERT_EQ(::pipe(go), 0);
    pid_t children[2];
    for (pid_t& child : children) {
      child = ::fork();
      ASSERT_NE(child, -1);
      if (child == 0) {
        char start = 0;
        if (::read(go[0], &start, 1) != 1) ::_exit(3);
        try {
          Library library = Library::open(path);
          library.save_book("/book/" + std::to_string(::getpid()) + "/", {"n", "", "a", "", "", ""}, {});
          ::_exit(0);
        } catch (...) {
          ::_exit(1);
        }
      }
    }
    ::close(go[0]);
    ASSERT_EQ(::write(go[1], "gg", 2), 2);  // both start together
    ::close(go[1]);
    for (pid_t child : children) {
      int status = 0;
      ::waitpid(child, &status, 0);
      EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "round " << round;
    }
    EXPECT_EQ(Library::open(path).books().size(), 2u);
  }
}

}  // namespace
}  // namespace lv::library
