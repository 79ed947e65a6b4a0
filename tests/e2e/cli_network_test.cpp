// lorevane-cli against a site that does not always answer: what arrives goes
// to standard output, what is missing is named on standard error, exit 3.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "sample_site/sample_server.h"
#include "support/epubcheck.h"
#include "support/subprocess.h"

namespace {

using lv::site::Failure;

using lv::test::CliRun;

class CliNetwork : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(server_.start());
    err_path_ = std::filesystem::temp_directory_path() / ("lorevane-err-" + std::to_string(::getpid()));
  }
  void TearDown() override { std::filesystem::remove(err_path_); }

  CliRun cli(const std::string& args) {
    return lv::test::run_cli("--site " + server_.site_host() + " " + args, err_path_.string());
  }
  static int line_count(const std::string& text) {
    return static_cast<int>(std::count(text.begin(), text.end(), '\n'));
  }

  lv::site::SampleServer server_;
  std::filesystem::path err_path_;
};

TEST_F(CliNetwork, CollectNamesTheMissingPageAndExitsThree) {
  const int books_1_and_3 = server_.site().books_on_listing_page(1) + server_.site().books_on_listing_page(3);
  server_.set_failure("/sort2/2.html", Failure::not_found);
  const CliRun run = cli("collect --pages 1-3");
  EXPECT_EQ(run.exit_code, 3);
  EXPECT_EQ(line_count(run.out), books_1_and_3);
  EXPECT_EQ(run.err, "lorevane-cli: listing page 2 missing (http://" + server_.site_host() +
                         "/sort2/2.html): HTTP 404 after 2 tries\n");

  // A page that fails once is fetched again: everything arrives, exit 0.
  server_.set_failure("/sort2/2.html", Failure::drop_connection, 1);
  const CliRun again = cli("collect --pages 1-3");
  EXPECT_EQ(again.exit_code, 0) << again.err;
  EXPECT_EQ(line_count(again.out), books_1_and_3 + server_.site().books_on_listing_page(2));
  EXPECT_EQ(again.err, "");
}

TEST_F(CliNetwork, BookCommandsTellAPageThatDidNotComeFromOneWithoutMarkers) {
  int book = 0;
  for (int id : server_.site().book_ids()) {
    if (!server_.site().has_prologue(id)) {
      book = id;
      break;
    }
  }
  const std::string path = lv::site::SampleSite::book_path(book);
  const std::string chapter = path + server_.site().chapters(book).front().address;
  struct Case {
    std::string failing_path;
    Failure failure;
    std::string command;
    int exit_code;
    std::string reason;  // "" when nothing goes to standard error
  };
  const Case cases[] = {
      {path, Failure::unavailable, "info " + path, 3, "HTTP 503"},
      {path, Failure::unavailable, "info " + path + " --fetch", 3, "HTTP 503"},
      {path, Failure::drop_connection, "chapters " + path, 3, "connection reset"},
      {chapter, Failure::not_found, "read " + path + " 0", 3, "HTTP 404"},
      {path, Failure::block_page, "info " + path, 0, ""},
      {path, Failure::block_page, "chapters " + path, 0, ""},
  };
  for (const Case& c : cases) {
    server_.clear_switches();
    server_.set_failure(c.failing_path, c.failure);
    const CliRun run = cli(c.command);
    EXPECT_EQ(run.exit_code, c.exit_code) << c.command << ": " << run.err;
    if (c.reason.empty()) {
      EXPECT_EQ(run.err, "") << c.command;
      EXPECT_EQ(line_count(run.out), 1) << c.command;  // the empty values
    } else {
      EXPECT_EQ(run.err, "lorevane-cli: http://" + server_.site_host() + c.failing_path +
                             " could not be fetched: " + c.reason + "\n")
          << c.command;
      EXPECT_EQ(run.out, "") << c.command;
    }
  }
}

TEST_F(CliNetwork, DownloadResumesAndExportSaysWhatIsMissing) {
  int book = 0;
  for (int id : server_.site().book_ids()) {
    if (server_.site().chapter_count(id) <= 40 && !server_.site().has_prologue(id)) {
      book = id;
      break;
    }
  }
  ASSERT_NE(book, 0);
  const std::string path = lv::site::SampleSite::book_path(book);
  const std::string library = err_path_.string() + ".sqlite3";
  const std::string with_library = "--library " + library + " ";
  const std::string epub = err_path_.string() + ".epub";
  const std::string third = server_.site().chapter_path(book, 2);
  const int count = server_.site().chapter_count(book);

  server_.set_failure(third, Failure::not_found);
  const CliRun first = cli(with_library + "download " + path);
  EXPECT_EQ(first.exit_code, 3);
  EXPECT_NE(first.out.find("\"chapters\":" + std::to_string(count) + ",\"stored\":" + std::to_string(count - 1) +
                           ",\"fetched\":" + std::to_string(count - 1) + ",\"failed\":1,"),
            std::string::npos)
      << first.out;
  EXPECT_NE(first.err.find("lorevane-cli: chapter 3 missing (http://" + server_.site_host() + third +
                           "): HTTP 404 after 2 tries\n"),
            std::string::npos)
      << first.err;
  EXPECT_NE(cli(with_library + "library").out.find("\"chapters\":" + std::to_string(count) + ",\"stored\":" +
                                                   std::to_string(count - 1) + ",\"missing\":1,"),
            std::string::npos);
  const CliRun partial = cli(with_library + "export " + path + " --format epub --output " + epub + " --offline");
  EXPECT_EQ(partial.exit_code, 3);
  EXPECT_EQ(lv::test::epubcheck_problems(epub), "");  // the missing chapter's page says why

  server_.clear_switches();
  server_.reset_counts();
  const CliRun second = cli(with_library + "download " + path);
  EXPECT_EQ(second.exit_code, 0) << second.err;
  EXPECT_NE(second.out.find("\"fetched\":1,\"failed\":0"), std::string::npos) << second.out;
  EXPECT_EQ(server_.request_count(third), 1);
  EXPECT_EQ(cli(with_library + "export " + path + " --format txt --output " + epub + ".txt --offline").exit_code, 0);
  EXPECT_EQ(cli(with_library + "export " + path + " --format pdf --output x").exit_code, 2);
  for (const std::string& f : {library, library + "-wal", library + "-shm", epub, epub + ".txt"}) {
    std::filesystem::remove(f);
  }
}

}  // namespace
