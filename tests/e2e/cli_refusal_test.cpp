// lorevane-cli refuses what would overwrite the library or a device, hang on
// a FIFO or write a book of nothing, and says so.
#include <sys/stat.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "base/code_page.h"
#include "library/library.h"
#include "support/subprocess.h"

namespace {

namespace fs = std::filesystem;
using lv::test::quote;

std::string read_all(const fs::path& path) {
  std::ostringstream text;
  text << std::ifstream(path, std::ios::binary).rdbuf();
  return text.str();
}

class CliRefusal : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::path(::testing::TempDir()) / ("lv_cli_refusal_" + std::to_string(::getpid()));
    fs::remove_all(dir_);
    fs::create_directories(dir_);
    library_ = dir_ / "library.sqlite3";
    lv::library::Library library = lv::library::Library::open(library_.string());
    library.save_book(kBook, {lv::base::gbk("书"), "", "", "", "", ""}, {});
    library.save_chapter_list(kBook, {{0, lv::base::gbk("第一章"), "1.html", false, "", {}, 0}});
    library.save_chapter_text(kBook, 0, lv::base::gbk("正文"), 1700000000);
    library.save_book(kEmptyBook, {lv::base::gbk("空书"), "", "", "", "", ""}, {});
  }
  void TearDown() override { fs::remove_all(dir_); }

  // Exit code and standard error; `timeout` ends a run that waits for ever.
  std::pair<int, std::string> cli(const std::string& args) {
    const fs::path err = dir_ / "stderr.txt";
    const auto result = lv::test::run_command("timeout 60 " + lv::test::build_dir() + "/src/cli/lorevane-cli --library " +
                                              quote(library_.string()) + " " + args + " 2>" + quote(err.string()));
    return {result.exit_code, read_all(err)};
  }

  static constexpr const char* kBook = "http://books.test/book/1/";
  static constexpr const char* kEmptyBook = "http://books.test/book/2/";
  fs::path dir_, library_;
};

TEST_F(CliRefusal, ExportWritesNeitherTheLibraryNorANodeThatIsNoFile) {
  ASSERT_EQ(::mkfifo((dir_ / "fifo").c_str(), 0600), 0);
  fs::create_symlink(library_, dir_ / "link.epub");
  fs::create_hard_link(library_, dir_ / "hard.epub");
  const std::string kept = read_all(library_);
  const fs::path lib = library_;
  const std::string outputs[] = {lib.string(), lib.string() + "-wal", (dir_ / "link.epub").string(),
                                 (dir_ / "hard.epub").string(), "/dev/null", (dir_ / "fifo").string()};
  for (const std::string& output : outputs) {
    const auto [code, err] = cli("export " + std::string(kBook) + " --format epub --offline --output " + quote(output));
    EXPECT_EQ(code, 1) << output;
    EXPECT_TRUE(err.starts_with("lorevane-cli: cannot export to " + output + ": it is ")) << err;
  }
  EXPECT_EQ(read_all(library_), kept);
  EXPECT_FALSE(fs::exists(lib.string() + "-wal"));
  EXPECT_EQ(fs::symlink_status("/dev/null").type(), fs::file_type::character);
  EXPECT_EQ(fs::symlink_status(dir_ / "fifo").type(), fs::file_type::fifo);
  // Beside them, a file is written.
  EXPECT_EQ(cli("export " + std::string(kBook) + " --format txt --offline --output " + quote((dir_ / "b.txt").string())).first, 0);
  EXPECT_TRUE(fs::is_regular_file(dir_ / "b.txt"));
}

TEST_F(CliRefusal, ABookWithoutChaptersExportsToNoFile) {
  for (const char* format : {"epub", "txt"}) {
    const fs::path output = dir_ / (std::string("empty.") + format);
    const auto [code, err] = cli("export " + std::string(kEmptyBook) + " --format " + format + " --offline --output " +
                                 quote(output.string()));
    EXPECT_EQ(code, 3) << format;
    EXPECT_EQ(err, "lorevane-cli: " + std::string(kEmptyBook) + " has no chapters; nothing was written\n");
    EXPECT_FALSE(fs::exists(output)) << format;
  }
}

TEST_F(CliRefusal, RulesOnlyFromARegularFileOfSensibleSize) {
  ASSERT_EQ(::mkfifo((dir_ / "rules.json").c_str(), 0600), 0);
  for (const std::string& rules : {std::string("/dev/zero"), (dir_ / "rules.json").string()}) {
    const auto [code, err] = cli("--rules " + quote(rules) + " library");
    EXPECT_EQ(code, 2) << rules;
    EXPECT_NE(err.find("rules refused: " + rules + ": not a regular file"), std::string::npos) << err;
  }
}

}  // namespace
