// Following a serialised book from the command line: update merges the
// site's list into the library without losing a text, search finds what the
// library holds, remove takes a book out.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>

#include "base/code_page.h"
#include "routines/chapter.h"
#include "sample_site/sample_server.h"
#include "support/subprocess.h"

namespace {

using lv::test::CliRun;

class CliShelf : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(server_.start());
    folder_ = std::filesystem::temp_directory_path() / ("lorevane-shelf-" + std::to_string(::getpid()));
    std::filesystem::remove_all(folder_);
    std::filesystem::create_directories(folder_);
    for (int id : server_.site().book_ids()) {
      const int n = server_.site().chapter_count(id);
      if (n >= 8 && n <= 40 && !server_.site().has_prologue(id)) {
        book_ = id;
        break;
      }
    }
    ASSERT_NE(book_, 0);
    path_ = lv::site::SampleSite::book_path(book_);
    page_ = server_.site().get(path_, server_.site_host())->body;
  }
  void TearDown() override { std::filesystem::remove_all(folder_); }

  CliRun cli(const std::string& args) const {
    return lv::test::run_cli("--site " + server_.site_host() + " --library " + (folder_ / "l.sqlite3").string() + " " +
                                 args,
                             (folder_ / "err").string());
  }
  // The book page with the link of chapter `index` (0-based) changed by `edit`.
  std::string with_link(std::string page, int index, const std::function<void(std::string& link)>& edit) const {
    std::size_t at = page.find("<div id=\"list\">");
    for (int i = 0; i <= index; ++i) at = page.find("<dd>", at + 1);
    const std::size_t end = page.find("</dd>", at) + 5;
    std::string link = page.substr(at, end - at);
    edit(link);
    return page.replace(at, end - at, link);
  }

  lv::site::SampleServer server_;
  std::filesystem::path folder_;
  int book_ = 0;
  std::string path_;
  std::string page_;
};

TEST_F(CliShelf, UpdateMergesTheSiteListAndNoTextIsLost) {
  const int count = server_.site().chapter_count(book_);
  // First the site shows all chapters but the last.
  server_.set_page(path_, with_link(page_, count - 1, [](std::string& link) { link.clear(); }));
  ASSERT_EQ(cli("download " + path_).exit_code, 0);
  // Four characters of the second chapter's text, as the shell passes them.
  const std::string second = lv::routines::load_chapter_text("http://" + server_.site_host() + path_,
                                                             server_.site().chapters(book_)[1].address);
  std::size_t at = second.size() / 2;
  while (at + 8 < second.size() && !(static_cast<unsigned char>(second[at]) >= 0xB0 &&
                                     static_cast<unsigned char>(second[at + 2]) >= 0xB0 &&
                                     static_cast<unsigned char>(second[at + 4]) >= 0xB0 &&
                                     static_cast<unsigned char>(second[at + 6]) >= 0xB0)) {
    ++at;
  }
  // Only a start on a character boundary counts: walk from the text's start.
  std::size_t start = 0;
  while (start < at) start += static_cast<unsigned char>(second[start]) >= 0x80 ? 2 : 1;
  const std::string words = lv::base::gbk_to_utf8(second.substr(start, 8));

  // Then the last comes, the second is taken down and the first renamed.
  std::string changed = with_link(page_, 1, [](std::string& link) { link.clear(); });
  changed = with_link(changed, 0, [](std::string& link) {
    link.insert(link.find("\">"), lv::base::gbk("（修订）"));  // the title attribute's end
  });
  server_.set_page(path_, changed);
  const CliRun update = cli("update");
  EXPECT_EQ(update.exit_code, 0) << update.err;
  EXPECT_NE(update.out.find("\"new\":1,\"removed\":1,\"renamed\":1,\"fetched\":1,\"failed\":0}"), std::string::npos)
      << update.out;
  EXPECT_NE(update.out.find("{\"books\":1,\"new\":1,\"removed\":1,\"renamed\":1,\"fetched\":1,\"failed\":0,\"missing\":0"),
            std::string::npos)
      << update.out;
  EXPECT_NE(cli("library").out.find("\"chapters\":" + std::to_string(count) + ",\"stored\":" +
                                    std::to_string(count) + ",\"missing\":0,\"removed\":1,"),
            std::string::npos);

  // The chapter the site took down keeps its text: search finds it, the export holds it.
  const CliRun found = cli("search '" + words + "' --book " + path_);
  EXPECT_NE(found.out.find("\"index\":1,"), std::string::npos) << found.out << words;
  // Every place, as a walk over each chapter's characters counts them; --limit keeps the first.
  int places = 0;
  for (const auto& link : server_.site().chapters(book_)) {
    const std::string text = lv::routines::load_chapter_text("http://" + server_.site_host() + path_, link.address);
    const std::string sought = lv::base::utf8_to_gbk(words);
    for (std::size_t i = 0; i < text.size(); i += static_cast<unsigned char>(text[i]) >= 0x80 ? 2 : 1) {
      places += text.compare(i, sought.size(), sought) == 0 ? 1 : 0;
    }
  }
  EXPECT_EQ(std::count(found.out.begin(), found.out.end(), '\n'), places);
  EXPECT_EQ(cli("search '" + words + "' --limit 2").out, found.out.substr(0, found.out.find('\n', found.out.find('\n') + 1) + 1));
  EXPECT_EQ(cli("export " + path_ + " --offline --format txt --output " + (folder_ / "b.txt").string()).exit_code, 0);

  // Out of the library, once.
  EXPECT_EQ(cli("remove " + path_).exit_code, 0);
  const CliRun again = cli("remove " + path_);
  EXPECT_EQ(again.exit_code, 3);
  EXPECT_NE(again.err.find("is not in the library"), std::string::npos);
  EXPECT_EQ(cli("library").out, "");
  EXPECT_EQ(cli("search '" + words + "'").out, "");
}

}  // namespace
