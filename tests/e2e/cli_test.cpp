// lorevane-cli as a user runs it.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "base/code_page.h"
#include "sample_site/sample_site.h"
#include "support/subprocess.h"

namespace {

using lv::test::quote;
using lv::test::run_command;

std::string cli() { return lv::test::build_dir() + "/src/cli/lorevane-cli"; }

std::vector<std::string> lines(const std::string& out) {
  std::vector<std::string> result;
  std::istringstream in(out);
  for (std::string line; std::getline(in, line);) result.push_back(line);
  return result;
}

class CliCut : public ::testing::Test {
 protected:
  void SetUp() override {
    path_ = std::filesystem::temp_directory_path() /
            ("lorevane-cut-" + std::to_string(::getpid()) + ".html");
    std::ofstream(path_, std::ios::binary) << lv::base::gbk("<b>剑</b><B>B2</B><b>  </b><b>后</b>");
  }
  void TearDown() override { std::filesystem::remove(path_); }
  lv::test::ProcessResult cut(const std::string& args) {
    return run_command(cli() + " cut " + quote(path_.string()) + " " + args + " 2>/dev/null");
  }
  std::filesystem::path path_;
};

TEST_F(CliCut, AllItemsIgnoreCaseAndStopAtAnEmptyItem) {
  const auto result = cut("'<b>' '</b>'");
  EXPECT_EQ(result.exit_code, 0);
  EXPECT_EQ(lines(result.out), (std::vector<std::string>{"\"剑\"", "\"B2\""}));
}

TEST_F(CliCut, CaseSensitiveOptionsPrefixAndKeptMarkers) {
  const auto result = cut("'<b>' '</b>' --case-sensitive --prefix 《 --suffix 》 --keep-start --max-length 2");
  EXPECT_EQ(result.exit_code, 0);
  EXPECT_EQ(lines(result.out), (std::vector<std::string>{"\"<b>《剑》\""}));
}

TEST_F(CliCut, FirstIsCaseSensitiveUnlessTold) {
  EXPECT_EQ(cut("'<B>' '</B>' --first").out, "\"B2\"\n");
  EXPECT_EQ(cut("'<b>' '</x>' --first").out, "\"\"\n");
  EXPECT_EQ(cut("'<B>' '</b>' --first --ignore-case --from 2").out, "\"B2\"\n");
}

TEST_F(CliCut, StandardInputIsReadWithDash) {
  const auto result = run_command("printf 'a|b|c|' | " + cli() + " cut - '|' '|'");
  EXPECT_EQ(lines(result.out), (std::vector<std::string>{"\"b\"", "\"c\""}));
}

TEST_F(CliCut, UsageErrorsExitTwoAndUnreadableFilesOne) {
  EXPECT_EQ(cut("'<b>'").exit_code, 2);
  EXPECT_EQ(cut("'<b>' '</b>' --from x").exit_code, 2);
  EXPECT_EQ(cut("'<b>' '</b>' --case-sensitive --ignore-case").exit_code, 2);
  EXPECT_EQ(cut("'<b>' '</b>' --bogus").exit_code, 2);
  EXPECT_EQ(run_command(cli() + " cut /nonexistent/page.html a b 2>/dev/null").exit_code, 1);
  EXPECT_EQ(run_command(cli() + " 2>/dev/null").exit_code, 2);
  const auto message = run_command(cli() + " frobnicate 2>&1");
  EXPECT_EQ(message.exit_code, 2);
  EXPECT_EQ(lines(message.out).size(), 1u);
}

TEST(CliHelp, ListsEveryCommandWithItsOptionsAndTheExitStatuses) {
  const auto help = run_command(cli() + " --help");
  EXPECT_EQ(help.exit_code, 0);
  EXPECT_TRUE(help.out.starts_with("Usage: lorevane-cli [OPTIONS] COMMAND")) << help.out;
  for (const char* part :
       {"--site HOST[:PORT]", "--demo", "--rules FILE", "--library FILE", "cut FILE START END", "--from N",
        "--case-sensitive", "--ignore-case", "--first", "--max-length N", "--prefix P", "--suffix S", "--keep-start",
        "--keep-end", "get URL", "--bytes", "--fetch", "collect", "--pages FIRST-LAST", "--jobs N", "info BOOK_URL",
        "chapters BOOK_URL", "read BOOK_URL INDEX", "download BOOK_URL",
        "export BOOK_URL --format epub|txt --output PATH", "--offline", "--encoding utf-8|gbk", "--chinese s2t|s2tw|s2hk|t2s", "\n  library",
        "Exit status: 0 complete, 2 usage error, 3"}) {
    EXPECT_NE(help.out.find(part), std::string::npos) << part;
  }
  EXPECT_EQ(run_command(cli() + " read --help").exit_code, 0);
}

class CliDemo : public ::testing::Test {
 protected:
  lv::site::SampleSite site_;  // the same seed as --demo serves
};

TEST_F(CliDemo, GetPrintsAListingPage) {
  const auto result = run_command(cli() + " --demo get /sort2/1.html");
  EXPECT_EQ(result.exit_code, 0);
  EXPECT_NE(result.out.find("<div id=\"newscontent\">"), std::string::npos);
  EXPECT_NE(result.out.find(lv::base::gbk("[修真小说]")), std::string::npos);
}

TEST_F(CliDemo, CollectPrintsOneObjectPerBookWithRunningIds) {
  const auto result = run_command(cli() + " --demo collect --pages 2-3");
  ASSERT_EQ(result.exit_code, 0);
  const auto rows = lines(result.out);
  ASSERT_EQ(static_cast<int>(rows.size()), site_.books_on_listing_page(2) + site_.books_on_listing_page(3));
  const auto book = site_.book(2, 0);
  EXPECT_EQ(rows[0].rfind("{\"id\":\"1\",\"title\":\"《" + lv::base::gbk_to_utf8(book.title) + "》\"", 0), 0u)
      << rows[0];
  EXPECT_NE(rows[0].find("\"category\":\"[修真小说]\"}"), std::string::npos);
  EXPECT_EQ(rows.back().rfind("{\"id\":\"" + std::to_string(rows.size()) + "\"", 0), 0u);
  EXPECT_EQ(run_command(cli() + " --demo collect --pages 0-200 2>/dev/null").exit_code, 2);
}

TEST_F(CliDemo, InfoChaptersAndReadShowABook) {
  int book = 0;
  for (int id : site_.book_ids()) {
    if (site_.cover_kind(id) == lv::site::CoverKind::picture && !site_.has_prologue(id) && !site_.cover_alt_differs(id)) {
      book = id;
      break;
    }
  }
  ASSERT_NE(book, 0);
  const std::string path = lv::site::SampleSite::book_path(book);
  const std::string name = lv::base::gbk_to_utf8(site_.book_by_id(book).title);

  const auto info = run_command(cli() + " --demo info " + path);
  ASSERT_EQ(info.exit_code, 0);
  EXPECT_EQ(info.out.rfind("{\"name\":\"" + name + "\",\"cover_address\":\"http://", 0), 0u) << info.out;
  EXPECT_NE(info.out.find("\"author\":\"作者："), std::string::npos);
  EXPECT_EQ(info.out.find("\"cover_size\":0}"), std::string::npos);
  // The fetch sees the same page; only the port of the in-process site differs.
  const auto fetched = run_command(cli() + " --demo info " + path + " --fetch");
  const auto without_port = [](std::string s) {
    const auto at = s.find("127.0.0.1:");
    return at == std::string::npos ? s : s.erase(at, s.find('/', at) - at);
  };
  EXPECT_EQ(without_port(fetched.out), without_port(info.out));

  const auto chapters = run_command(cli() + " --demo chapters " + path);
  ASSERT_EQ(chapters.exit_code, 0);
  EXPECT_EQ(chapters.out.rfind("{\"book_title\":\"" + name + "\",\"chapters\":[{\"title\":", 0), 0u);

  const auto links = site_.chapters(book);
  const auto read = run_command(cli() + " --demo read " + path + " 0");
  ASSERT_EQ(read.exit_code, 0);
  const std::string title = lv::base::gbk_to_utf8(links[0].title);
  EXPECT_EQ(read.out.rfind("{\"caption\":\"" + name + "  " + title + "\",\"content\":\"" + title + "\\r\\n\\r\\n\\n", 0),
            0u)
      << read.out.substr(0, 200);

  EXPECT_EQ(run_command(cli() + " --demo read " + path + " -1").out,
            "{\"caption\":\"" + name + "  \",\"content\":\"\\r\\n\\r\\n\"}\n");
  EXPECT_EQ(run_command(cli() + " --demo read " + path + " " + std::to_string(links.size()) + " 2>/dev/null").exit_code, 2);
  EXPECT_EQ(run_command(cli() + " --demo read " + path + " -2 2>/dev/null").exit_code, 2);
}

}  // namespace
