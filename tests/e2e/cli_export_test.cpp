// lorevane-cli export as a user runs it: an unchanged book gives the same
// bytes, a cover that does not decode is left out and named, the texts come
// in the script asked for.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "base/code_page.h"
#include "export/chinese_script.h"
#include "sample_site/sample_server.h"
#include "support/epubcheck.h"
#include "support/subprocess.h"

namespace {

using lv::test::CliRun;

class CliExport : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(server_.start());
    dir_ = std::filesystem::temp_directory_path() / ("lorevane-export-" + std::to_string(::getpid()));
    std::filesystem::remove_all(dir_);
    std::filesystem::create_directories(dir_);
    // A short book with a cover whose chapter titles all begin with 第, so
    // that its chapter list reads alike whether the titles or the links lead.
    const auto numbered = [&](int id) {
      for (const auto& link : server_.site().chapters(id)) {
        if (!link.title.starts_with(lv::base::gbk("第"))) return false;
      }
      return true;
    };
    for (int id : server_.site().book_ids()) {
      if (server_.site().chapter_count(id) <= 30 && server_.site().cover_kind(id) == lv::site::CoverKind::picture &&
          numbered(id)) {
        book_ = id;
        break;
      }
    }
    ASSERT_NE(book_, 0);
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }

  std::string file(const std::string& name) const { return (dir_ / name).string(); }
  std::string book_path() const { return lv::site::SampleSite::book_path(book_); }

  CliRun cli(const std::string& args) {
    return lv::test::run_cli("--site " + server_.site_host() + " --library " + file("library.sqlite3") + " " + args,
                             file("stderr.txt"));
  }

  static std::string read(const std::string& path) {
    std::ostringstream text;
    text << std::ifstream(path, std::ios::binary).rdbuf();
    return text.str();
  }

  lv::site::SampleServer server_;
  std::filesystem::path dir_;
  int book_ = 0;
};

unsigned u16_at(const std::string& s, std::size_t at) {
  return static_cast<unsigned char>(s[at]) | static_cast<unsigned char>(s[at + 1]) << 8;
}

// The book's content time is set back to a fixed moment between the runs:
// a download that fetched nothing must leave it there, and the EPUB's dates
// (package and archive) follow it, whenever the test runs.
TEST_F(CliExport, AnExportAfterADownloadThatFetchedNothingGivesTheSameBytes) {
  ASSERT_EQ(cli("download " + book_path()).exit_code, 0);
  const std::string backdate = "sqlite3 " + file("library.sqlite3") + " 'UPDATE book SET updated_at = 1600000000'";
  ASSERT_EQ(lv::test::run_command(backdate).exit_code, 0);
  ASSERT_EQ(cli("export " + book_path() + " --format epub --offline --output " + file("a.epub")).exit_code, 0);

  const CliRun again = cli("download " + book_path());
  EXPECT_EQ(again.exit_code, 0) << again.err;
  EXPECT_NE(again.out.find("\"fetched\":0,"), std::string::npos) << again.out;
  const CliRun second = cli("export " + book_path() + " --format epub --output " + file("b.epub"));
  EXPECT_EQ(second.exit_code, 0) << second.err;

  const std::string a = read(file("a.epub"));
  EXPECT_EQ(a, read(file("b.epub")));
  // 1600000000 is 2020-09-13 12:26:40 UTC: the first entry's MS-DOS time and date.
  ASSERT_GT(a.size(), 14u);
  EXPECT_EQ(u16_at(a, 10), (12u << 11) | (26u << 5) | (40u / 2));
  EXPECT_EQ(u16_at(a, 12), ((2020u - 1980) << 9) | (9u << 5) | 13u);
}

TEST_F(CliExport, ACoverThatDoesNotDecodeIsLeftOutAndNamed) {
  const std::string cover = server_.site().cover_path(book_);
  const auto picture = server_.site().get(cover, server_.site_host());
  ASSERT_TRUE(picture.has_value());
  server_.set_page(cover, picture->body.substr(0, picture->body.size() / 2), "image/jpeg");

  const CliRun run = cli("export " + book_path() + " --format epub --chinese s2tw --output " + file("book.epub"));
  EXPECT_EQ(run.exit_code, 0) << run.err;
  EXPECT_NE(run.err.find("lorevane-cli: the cover was left out of " + file("book.epub") +
                         ": the picture is cut short or damaged\n"),
            std::string::npos)
      << run.err;
  EXPECT_EQ(lv::test::epubcheck_problems(file("book.epub")), "");
}

TEST_F(CliExport, TextsComeInTheScriptAskedFor) {
  const CliRun run =
      cli("export " + book_path() + " --format txt --encoding gbk --chinese s2t --output " + file("book.txt"));
  EXPECT_EQ(run.exit_code, 0) << run.err;
  const std::string title = server_.site().book_by_id(book_).title;
  EXPECT_TRUE(read(file("book.txt")).starts_with(lv::exporting::convert_gbk(title, lv::exporting::ChineseScript::s2t) +
                                                 "\r\n"));
  ASSERT_EQ(cli("export " + book_path() + " --format txt --encoding gbk --offline --output " + file("plain.txt")).exit_code, 0);
  EXPECT_NE(read(file("book.txt")), read(file("plain.txt")));
  EXPECT_EQ(cli("export " + book_path() + " --format txt --chinese s2j --output " + file("x.txt")).exit_code, 2);
}

}  // namespace
