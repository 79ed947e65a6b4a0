// Where an export may write: never the library, never a node that is not a
// regular file; a part file a killed export left is cleared by the next one.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <set>

#include "export/book_export.h"
#include "export/export_target.h"
#include "export_test_support.h"

namespace {

namespace fs = std::filesystem;
using lv::exporting::ExportError;
using lv::exporting::TargetProblem;
using lv::exporting::target_problem;
using lv::exporting::TextEncoding;
using lv::exporting::write_txt;

TEST(ExportTarget, TheLibraryIsRefusedByAnyOfItsNames) {
  const auto dir = lv::test::fresh_dir();
  fs::create_directories(dir / "sub");
  const std::string library = (dir / "library.sqlite3").string();
  for (const char* name : {"library.sqlite3", "library.sqlite3-wal", "other.txt"}) std::ofstream(dir / name) << name;
  fs::create_symlink(dir / "library.sqlite3", dir / "link.txt");
  fs::create_hard_link(dir / "library.sqlite3", dir / "hard.txt");
  const struct {
    fs::path output;
    TargetProblem problem;
  } cases[] = {
      {dir / "library.sqlite3", TargetProblem::library},
      {dir / "." / "sub" / ".." / "library.sqlite3", TargetProblem::library},
      {dir / "link.txt", TargetProblem::library},
      {dir / "hard.txt", TargetProblem::library},
      {dir / "library.sqlite3-wal", TargetProblem::library},
      {dir / "sub" / ".." / "library.sqlite3-shm", TargetProblem::library},  // not there (yet)
      {dir / "library.sqlite3-journal", TargetProblem::library},
      {dir / "other.txt", TargetProblem::none},
      {dir / "new.epub", TargetProblem::none},
      {dir / "library.sqlite3.txt", TargetProblem::none},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(target_problem(c.output.string(), library), c.problem) << c.output;
  }
  // Relative to the working folder.
  const fs::path before = fs::current_path();
  fs::current_path(dir / "sub");
  EXPECT_EQ(target_problem("../library.sqlite3", library), TargetProblem::library);
  fs::current_path(before);
}

TEST(ExportTarget, OnlyARegularFileOrANewNameIsWritten) {
  const auto dir = lv::test::fresh_dir();
  const auto book = lv::test::small_book();
  ASSERT_EQ(::mkfifo((dir / "fifo").c_str(), 0600), 0);
  // A device node of its own (as /dev/null), where the system lets us make one.
  const bool device = ::mknod((dir / "null").c_str(), S_IFCHR | 0600, makedev(1, 3)) == 0;
  fs::create_symlink(dir / "missing.txt", dir / "dangling.txt");
  fs::create_symlink(dir / "fifo", dir / "to-fifo.txt");
  std::ofstream(dir / "real.txt") << "old";
  fs::create_symlink(dir / "real.txt", dir / "to-real.txt");

  const struct {
    const char* name;
    bool written;
    fs::file_type type_after;
  } cases[] = {
      {"fifo", false, fs::file_type::fifo},
      {"null", false, fs::file_type::character},
      {"dangling.txt", false, fs::file_type::symlink},
      {"to-fifo.txt", false, fs::file_type::symlink},
      {"to-real.txt", true, fs::file_type::symlink},  // the link stays; its file is replaced
      {"new.txt", true, fs::file_type::regular},
  };
  for (const auto& c : cases) {
    if (std::string_view(c.name) == "null" && !device) continue;
    SCOPED_TRACE(c.name);
    const fs::path target = dir / c.name;
    if (c.written) {
      EXPECT_NO_THROW(write_txt(book, target.string(), TextEncoding::utf8));
      EXPECT_TRUE(lv::test::read_file(target).starts_with("风雪&归人\r\n"));
    } else {
      EXPECT_THROW(write_txt(book, target.string(), TextEncoding::utf8), ExportError);
    }
    EXPECT_EQ(fs::symlink_status(target).type(), c.type_after);
  }
  EXPECT_TRUE(lv::test::read_file(dir / "real.txt").starts_with("风雪&归人\r\n"));
  for (const auto& entry : fs::directory_iterator(dir)) {
    EXPECT_FALSE(entry.path().string().ends_with(".part")) << entry.path();
  }
}

TEST(ExportTarget, PartFilesAKilledExportLeftAreRemovedByTheNext) {
  const auto dir = lv::test::fresh_dir();
  const fs::path target = dir / "book.txt";
  const auto long_ago = fs::file_time_type::clock::now() - std::chrono::hours(1);
  const auto make = [&](const std::string& name, bool old) {
    std::ofstream(dir / name) << "half a book";
    if (old) fs::last_write_time(dir / name, long_ago);
  };
  make("book.txt.0badc0de.part", true);   // stale: removed
  make("book.txt.cafef00d.part", true);   // being written (locked below): kept
  make("book.txt.feedface.part", false);  // just made, not yet locked: kept
  make("other.txt.0badc0de.part", true);  // another target's
  make("book.txt.0badc0d.part", true);    // not the pattern
  make("book.txt.0BADC0DE.part", true);   // not the pattern
  fs::create_directory(dir / "book.txt.deadbeef.part");
  fs::create_symlink(dir / "other.txt.0badc0de.part", dir / "book.txt.aaaaaaaa.part");
  const int locked = ::open((dir / "book.txt.cafef00d.part").c_str(), O_RDONLY | O_CLOEXEC);
  ASSERT_GE(locked, 0);
  ASSERT_EQ(::flock(locked, LOCK_EX), 0);

  write_txt(lv::test::small_book(), target.string(), TextEncoding::utf8);
  ::close(locked);

  std::set<std::string> left;
  for (const auto& entry : fs::directory_iterator(dir)) left.insert(entry.path().filename().string());
  EXPECT_EQ(left, (std::set<std::string>{"book.txt", "book.txt.cafef00d.part", "book.txt.feedface.part",
                                         "other.txt.0badc0de.part", "book.txt.0badc0d.part",
                                         "book.txt.0BADC0DE.part", "book.txt.deadbeef.part",
                                         "book.txt.aaaaaaaa.part"}));
}

}  // namespace
