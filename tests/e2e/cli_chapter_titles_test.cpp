// A book whose chapter list holds a prologue, an author's note and an
// afterword: every title over its own text in `read` and in both exports.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "base/code_page.h"
#include "base/text.h"
#include "sample_site/sample_server.h"
#include "scrape/character_references.h"
#include "scrape/chapter_text.h"
#include "support/epubcheck.h"
#include "support/subprocess.h"

namespace {

using lv::base::Text;

struct Chapter {
  Text title;  // as shown (GBK)
  Text text;   // as the reader shows it (GBK)
  Text mark;   // the chapter's longest line, trimmed: found in its text alone
};

Text longest_line(const Text& text) {
  Text longest;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) {
    line = lv::base::trim_both(line.substr(0, line.find_last_not_of("\r\t ") + 1));
    if (line.size() > longest.size()) longest = line;
  }
  return longest;
}

std::string read_file(const std::filesystem::path& path) {
  std::ostringstream out;
  out << std::ifstream(path, std::ios::binary).rdbuf();
  return out.str();
}

class CliChapterTitles : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(server_.start());
    book_ = server_.site().find_book_with_every_unnumbered_kind(120);
    ASSERT_NE(book_, 0);
    base_ = std::filesystem::temp_directory_path() / ("lorevane-titles-" + std::to_string(::getpid()));
    for (const auto& link : server_.site().chapters(book_)) {
      const auto page = server_.site().get(lv::site::SampleSite::book_path(book_) + link.address, server_.site_host());
      ASSERT_TRUE(page.has_value());
      Chapter c{lv::scrape::decode_character_references(link.title), lv::scrape::parse_chapter_text(page->body), {}};
      c.mark = longest_line(c.text);
      chapters_.push_back(std::move(c));
    }
  }
  void TearDown() override {
    for (const char* tail : {".sqlite3", ".sqlite3-wal", ".sqlite3-shm", ".epub", ".txt"}) {
      std::filesystem::remove(base_.string() + tail);
    }
  }

  lv::test::ProcessResult cli(const std::string& args) {
    return lv::test::run_command(lv::test::build_dir() + "/src/cli/lorevane-cli --site " + server_.site_host() +
                                 " --library " + base_.string() + ".sqlite3 " + args + " 2>/dev/null");
  }
  std::string book_path() const { return lv::site::SampleSite::book_path(book_); }

  lv::site::SampleServer server_;
  int book_ = 0;
  std::filesystem::path base_;
  std::vector<Chapter> chapters_;
};

TEST_F(CliChapterTitles, EveryTitleIsOverItsOwnTextInReadAndTheExports) {
  const auto numbered = [](const Text& title) { return title.starts_with(lv::base::gbk("第")); };
  std::vector<std::size_t> unnumbered;
  for (std::size_t i = 0; i < chapters_.size(); ++i) {
    if (!numbered(chapters_[i].title)) unnumbered.push_back(i);
  }
  ASSERT_GE(unnumbered.size(), 3u);
  ASSERT_EQ(unnumbered.front(), 0u);
  ASSERT_EQ(unnumbered.back(), chapters_.size() - 1);

  const auto list = nlohmann::json::parse(cli("chapters " + book_path()).out);
  ASSERT_EQ(list["chapters"].size(), chapters_.size());
  for (std::size_t i = 0; i < chapters_.size(); ++i) {
    EXPECT_EQ(list["chapters"][i]["title"], lv::base::gbk_to_utf8(chapters_[i].title)) << i;
    EXPECT_EQ(list["chapters"][i]["address"], server_.site().chapters(book_)[i].address) << i;
  }
  // Each unnumbered chapter and the numbered one after it.
  for (std::size_t i : unnumbered) {
    for (std::size_t k : {i, i + 1}) {
      if (k >= chapters_.size()) continue;
      const auto read = cli("read " + book_path() + " " + std::to_string(k));
      ASSERT_EQ(read.exit_code, 0) << k;
      EXPECT_EQ(nlohmann::json::parse(read.out)["content"],
                lv::base::gbk_to_utf8(chapters_[k].title + "\r\n\r\n" + chapters_[k].text))
          << k;
    }
  }

  ASSERT_EQ(cli("download " + book_path()).exit_code, 0);
  ASSERT_EQ(cli("export " + book_path() + " --offline --format txt --encoding gbk --output " + base_.string() + ".txt")
                .exit_code,
            0);
  // In the TXT each title comes before its own text and the next title after it.
  const std::string txt = read_file(base_.string() + ".txt");
  std::size_t at = 0;
  for (std::size_t i = 0; i < chapters_.size(); ++i) {
    const std::size_t title = txt.find(chapters_[i].title, at);
    ASSERT_NE(title, std::string::npos) << i;
    const std::size_t mark = txt.find(chapters_[i].mark, title);
    ASSERT_NE(mark, std::string::npos) << i;
    if (i + 1 < chapters_.size()) {
      EXPECT_LT(mark, txt.find(chapters_[i + 1].title, title + 1)) << i;
    }
    at = mark;
  }

  // In the EPUB the page that holds a chapter's text is headed by its title.
  ASSERT_EQ(cli("export " + book_path() + " --offline --format epub --output " + base_.string() + ".epub").exit_code,
            0);
  const std::string epub = lv::test::quote(base_.string() + ".epub");
  std::istringstream names(lv::test::run_command("unzip -Z1 " + epub).out);
  std::vector<int> pages_of(chapters_.size(), 0);
  for (std::string name; std::getline(names, name);) {
    if (!name.ends_with(".xhtml")) continue;
    const Text page = lv::base::utf8_to_gbk(lv::test::run_command("unzip -p " + epub + " " + lv::test::quote(name)).out);
    const std::size_t h1 = page.find('>', page.find("<h1")) + 1;
    const Text heading = lv::scrape::decode_character_references(page.substr(h1, page.find("</h1>", h1) - h1));
    for (std::size_t i = 0; i < chapters_.size(); ++i) {
      if (page.find(chapters_[i].mark) == std::string::npos) continue;
      ++pages_of[i];
      EXPECT_EQ(heading, chapters_[i].title) << name;
    }
  }
  EXPECT_EQ(pages_of, std::vector<int>(chapters_.size(), 1));
  EXPECT_EQ(lv::test::epubcheck_problems(base_.string() + ".epub"), "");
}

}  // namespace
