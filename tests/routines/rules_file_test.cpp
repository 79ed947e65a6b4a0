// Site rules in a file: what is read, what is kept built in, what is refused.
#include "routines/rules_file.h"

#include <sys/stat.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "base/code_page.h"
#include "scrape/chapter_text.h"

namespace {

using lv::routines::rules_from_json;
using lv::routines::RulesError;
using lv::scrape::built_in_rules;

TEST(RulesFile, BuiltInRulesComeBackUnchanged) {
  EXPECT_EQ(rules_from_json(lv::routines::rules_to_json(built_in_rules())), built_in_rules());
  EXPECT_EQ(rules_from_json(R"({"version": 1})"), built_in_rules());
}

TEST(RulesFile, NamedRulesChangeAndTheRestStayBuiltIn) {
  const auto rules = rules_from_json(R"({"version": 1, "site_host": "books.test",
      "listing": {"category": "[仙侠]", "latest": {"from": 7}},
      "chapter_text": {"text": {"start": "<div id=\"content\">", "end": "</div>", "case_sensitive": false},
                       "cleaning": [{"find": "&nbsp;", "replacement": " "}]}})");
  EXPECT_EQ(rules.site_host, "books.test");
  EXPECT_EQ(rules.listing.category, lv::base::gbk("[仙侠]"));
  EXPECT_EQ(rules.listing.latest.from, 7);
  EXPECT_EQ(rules.listing.latest.start, built_in_rules().listing.latest.start);
  EXPECT_EQ(rules.listing.titles, built_in_rules().listing.titles);
  EXPECT_EQ(rules.book_page, built_in_rules().book_page);
  ASSERT_EQ(rules.chapter_text.cleaning.size(), 1u);
  // The edited rules cut a page of another layout.
  EXPECT_EQ(lv::scrape::parse_chapter_text("<DIV ID=\"content\">a&nbsp;b<br>c</div>", rules.chapter_text),
            "a b\r\nc");
}

TEST(RulesFile, TheOldBuiltInChapterAddressEndIsReadAsTheNewOne) {
  const auto with_end = [](const std::string& end) {
    return rules_from_json(R"({"version": 1, "chapter_list": {"addresses": {"end": ")" + end + R"("}}})")
        .chapter_list.addresses;
  };
  EXPECT_EQ(with_end(R"(\" title=\"第)"), built_in_rules().chapter_list.addresses);
  // An end the user chose stays, also one that still needs the chapter character.
  EXPECT_EQ(with_end(R"(\" title=\"第X)").end, lv::base::gbk("\" title=\"第X"));
  EXPECT_EQ(with_end(R"(\">)").end, "\">");
}

TEST(RulesFile, RefusalsNameTheField) {
  const std::pair<const char*, const char*> cases[] = {
      {"not json", "not a rules file"},
      {R"({"site_host": "x"})", "version: missing"},
      {"[1, 2]", "rules: must be an object"},
      {R"({"version": 2})", "version: this program reads version 1"},
      {R"({"version": 1, "colour": 1})", "colour: unknown key"},
      {R"({"version": 1, "listing": {"titles": {"start": ""}}})", "listing.titles.start: a marker may not be empty"},
      {R"({"version": 1, "listing": {"titles": {"from": -3}}})", "listing.titles.from: must be 1 or more"},
      {R"({"version": 1, "chapter_list": {"titles": {"case_sensitive": "yes"}}})",
       "chapter_list.titles.case_sensitive: must be true or false"},
      {R"({"version": 1, "book_page": {"intro_cleaning": [{"find": "a", "tone": 1}]}})",
       "book_page.intro_cleaning[0].tone: unknown key"},
      {R"({"version": 1, "book_page": {"author": {"label": 5}}})", "book_page.author.label: must be a text"},
  };
  for (const auto& [json, message] : cases) {
    try {
      rules_from_json(json);
      ADD_FAILURE() << json << " was taken";
    } catch (const RulesError& e) {
      EXPECT_EQ(std::string(e.what()).rfind(message, 0), 0u) << e.what();
    }
  }
}

// Only a regular file of at most 1 MiB is read: a device or a FIFO would be
// read for ever or wait for ever, a huge file would be held whole.
TEST(RulesFile, OnlyARegularFileOfSensibleSizeIsRead) {
  namespace fs = std::filesystem;
  const fs::path dir = fs::path(::testing::TempDir()) / "lv_rules_file";
  fs::remove_all(dir);
  fs::create_directories(dir);
  const std::string rules = R"({"version": 1})";
  std::ofstream(dir / "full.json") << rules << std::string(lv::routines::kRulesFileLimit - rules.size(), ' ');
  std::ofstream(dir / "over.json") << rules << std::string(lv::routines::kRulesFileLimit - rules.size() + 1, ' ');
  ASSERT_EQ(::mkfifo((dir / "fifo.json").c_str(), 0600), 0);
  fs::create_symlink(dir / "full.json", dir / "link.json");
  const std::pair<fs::path, const char*> cases[] = {
      {dir / "full.json", nullptr},
      {dir / "link.json", nullptr},
      {dir / "over.json", "larger than 1 MiB"},
      {dir / "fifo.json", "not a regular file"},
      {"/dev/zero", "not a regular file"},
      {dir, "not a regular file"},
      {dir / "none.json", "cannot be read"},
  };
  for (const auto& [path, refusal] : cases) {
    try {
      EXPECT_EQ(lv::routines::load_rules_file(path.string()), built_in_rules()) << path;
      EXPECT_EQ(refusal, nullptr) << path << " was taken";
    } catch (const RulesError& e) {
      EXPECT_EQ(e.what(), path.string() + ": " + (refusal ? refusal : "taken")) << path;
    }
  }
}

}  // namespace
