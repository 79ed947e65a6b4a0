// A whole book into the library: everything once, then only what is missing.
#include "routines/download_book.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <set>

#include "library/sqlite.h"
#include "net/address_policy.h"
#include "routines/chapter.h"
#include "sample_site/sample_server.h"
#include "library/chapter_merge.h"
#include "routines/rules_in_force.h"
#include "scrape/character_references.h"
#include "scrape/chapter_text.h"

namespace {

using lv::site::Failure;
using std::chrono::milliseconds;

class DownloadBook : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(server_.start());
    path_ = std::filesystem::temp_directory_path() /
            ("lorevane-download-" + std::to_string(::getpid()) + "-" +
             ::testing::UnitTest::GetInstance()->current_test_info()->name() + ".sqlite3");
    std::filesystem::remove(path_);
    // A book of a few dozen chapters, starting with a numbered one.
    for (int id : server_.site().book_ids()) {
      const int n = server_.site().chapter_count(id);
      if (n >= 20 && n <= 60 && !server_.site().has_prologue(id)) {
        book_ = id;
        break;
      }
    }
    ASSERT_NE(book_, 0);
    address_ = "http://" + server_.site_host() + lv::site::SampleSite::book_path(book_);
  }
  void TearDown() override {
    for (const char* tail : {"", "-wal", "-shm"}) std::filesystem::remove(path_.string() + tail);
  }

  lv::routines::BookDownloadReport download(std::stop_token stop = {},
                                            std::function<void(const lv::routines::BookDownloadOptions::Progress&)>
                                                progress = {}) {
    lv::library::Library library = lv::library::Library::open(path_.string());
    lv::routines::BookDownloadOptions options;
    options.retry.first_pause = options.retry.slow_down_start = options.retry.slow_down_limit = milliseconds(1);
    options.stop = stop;
    options.progress = std::move(progress);
    return lv::routines::download_book(address_, library, options);
  }
  std::string chapter_path(int index) const { return server_.site().chapter_path(book_, index); }
  int chapter_requests() const {
    int n = 0;
    for (int i = 0; i < server_.site().chapter_count(book_); ++i) n += server_.request_count(chapter_path(i));
    return n;
  }

  lv::site::SampleServer server_;
  std::filesystem::path path_;
  int book_ = 0;
  std::string address_;
};

TEST_F(DownloadBook, StoresEveryChapterAsTheReaderShowsItThenFetchesNothingMore) {
  const int count = server_.site().chapter_count(book_);
  const auto first = download();
  EXPECT_TRUE(first.known);
  EXPECT_EQ(first.chapters, count);
  EXPECT_EQ(first.fetched, count);
  EXPECT_EQ(first.stored, count);
  EXPECT_TRUE(first.missing.empty());
  EXPECT_EQ(first.title, server_.site().book_by_id(book_).title);

  lv::library::Library library = lv::library::Library::open(path_.string());
  const auto stored = library.book(address_, true);
  ASSERT_TRUE(stored.has_value());
  EXPECT_FALSE(stored->cover.empty());
  const auto links = server_.site().chapters(book_);
  for (int i : {0, count / 2, count - 1}) {
    EXPECT_EQ(stored->chapters[static_cast<std::size_t>(i)].title,
              lv::scrape::decode_character_references(links[static_cast<std::size_t>(i)].title));
    EXPECT_EQ(stored->chapters[static_cast<std::size_t>(i)].text,
              lv::routines::load_chapter_text(address_, links[static_cast<std::size_t>(i)].address));
  }

  server_.reset_counts();
  const auto second = download();
  EXPECT_EQ(second.fetched, 0);
  EXPECT_EQ(second.stored, count);
  EXPECT_EQ(chapter_requests(), 0);
}

TEST_F(DownloadBook, ChapterThatNeverComesIsRecordedMissingAndFetchedAloneNextTime) {
  server_.set_failure(chapter_path(3), Failure::unavailable);
  server_.set_failure(chapter_path(5), Failure::block_page);
  const auto first = download();
  ASSERT_EQ(first.missing.size(), 2u);
  EXPECT_EQ(first.failed, 2);
  EXPECT_EQ(first.missing[0].index, 3);
  EXPECT_EQ(lv::base::english(first.missing[0].failure), "HTTP 503 after 3 tries");
  EXPECT_EQ(lv::base::english(first.missing[1].failure), "the page holds none of its markers after 3 tries");
  EXPECT_EQ(first.missing[1].address, address_ + server_.site().chapters(book_)[5].address);

  server_.clear_switches();
  server_.reset_counts();
  const auto second = download();
  EXPECT_EQ(second.fetched, 2);
  EXPECT_TRUE(second.missing.empty());
  EXPECT_EQ(chapter_requests(), 2);
}

TEST_F(DownloadBook, StoppedDownloadKeepsWhatCameAndTheNextOneFinishes) {
  server_.set_delay_all(milliseconds(5));
  std::stop_source stop;
  int seen = 0;
  const auto first = download(stop.get_token(), [&](const auto& progress) {
    seen = progress.stored;
    if (progress.fetched == 5) stop.request_stop();
  });
  EXPECT_TRUE(first.stopped);
  EXPECT_GE(first.fetched, 5);
  EXPECT_LT(first.fetched, first.chapters);
  EXPECT_EQ(seen, first.stored);

  const auto second = download();
  EXPECT_EQ(second.fetched, second.chapters - first.stored);
  EXPECT_TRUE(second.missing.empty());
}

// What a later download finds on a site gone wrong never costs the library
// what it holds: not the texts, not the cover.
TEST_F(DownloadBook, LaterDownloadFromABrokenPageKeepsWhatTheLibraryHolds) {
  const std::string book_path = lv::site::SampleSite::book_path(book_);
  const std::string page = server_.site().get(book_path, server_.site_host())->body;
  const std::string list_start = "<div id=\"list\">";
  const std::string cut_list = page.substr(0, page.find(list_start) + list_start.size()) + "</div></body></html>";
  std::string three_chapters = page;  // the list cut after its third link
  std::size_t at = three_chapters.find("<dd>", three_chapters.find(list_start));
  for (int i = 0; i < 3; ++i) at = three_chapters.find("<dd>", at + 1);
  three_chapters = three_chapters.substr(0, at) + "</dl></div></body></html>";
  std::string no_cover = page;
  no_cover.replace(no_cover.find("<div id=\"fmimg\">"), 16, "<div id=\"gone\">");

  const int count = server_.site().chapter_count(book_);
  const struct {
    const char* what;
    std::function<void()> break_site;
    int removed;             // chapters marked removed afterwards
    bool empty_list_ignored;
  } cases[] = {
      {"list cut to nothing", [&] { server_.set_page(book_path, cut_list); }, 0, true},
      {"list cut short", [&] { server_.set_page(book_path, three_chapters); }, count - 3, false},
      {"cover 404", [&] { server_.set_failure(server_.site().cover_path(book_), Failure::not_found); }, 0, false},
      {"error page as cover", [&] { server_.set_page(server_.site().cover_path(book_), "<html>busy</html>"); }, 0,
       false},
      {"no cover marker", [&] { server_.set_page(book_path, no_cover); }, 0, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    TearDown();
    server_.clear_switches();
    ASSERT_TRUE(download().missing.empty());
    const auto before = *lv::library::Library::open(path_.string()).book(address_, true);

    c.break_site();
    const auto report = download();
    EXPECT_EQ(report.empty_list_ignored, c.empty_list_ignored);
    const lv::library::Library library = lv::library::Library::open(path_.string());
    const auto after = *library.book(address_, true);
    EXPECT_EQ(after.cover, before.cover);
    ASSERT_EQ(after.chapters.size(), before.chapters.size());
    EXPECT_EQ(std::count_if(after.chapters.begin(), after.chapters.end(), [](const auto& ch) { return ch.removed; }),
              c.removed);
    for (std::size_t i = 0; i < before.chapters.size(); ++i) EXPECT_EQ(after.chapters[i].text, before.chapters[i].text);
    EXPECT_EQ(report.missing.size(), 0u);  // a chapter the site took down is not missing
  }
}

TEST_F(DownloadBook, BlankPlaceholderIsMissingAndFetchedAgain) {
  // The page as the site gives it, its text gone: spaces, breaks, a full-width space.
  std::string placeholder = server_.site().get(chapter_path(2), server_.site_host())->body;
  const std::string start = "<div id=\"BookText\">\r", end = "</div>\r\n<div class=\"sha";
  const std::size_t from = placeholder.find(start) + start.size();
  placeholder.replace(from, placeholder.find(end) - from, "\n&nbsp;&nbsp;&nbsp;&nbsp;<br /><br />\r\n \xA1\xA1 ");
  server_.set_page(chapter_path(2), placeholder);
  const auto first = download();
  ASSERT_EQ(first.missing.size(), 1u);
  EXPECT_EQ(first.missing[0].index, 2);
  EXPECT_EQ(first.missing[0].failure.kind, lv::base::FailureKind::no_text);

  server_.clear_switches();
  const auto second = download();
  EXPECT_EQ(second.fetched, 1);
  EXPECT_TRUE(second.missing.empty());
}

// A damaged or older file whose positions are not 0..n-1, and a book page
// that does not come: chapters are still found by their place in the list.
TEST_F(DownloadBook, StoredPositionsOutsideTheListDoNotMisplaceChapters) {
  ASSERT_TRUE(download().missing.empty());
  {
    lv::library::sql::Database db = lv::library::sql::Database::open(path_.string());
    db.exec("UPDATE chapter SET position = position * 7 + 1000");
    db.exec("DELETE FROM chapter_text WHERE id IN (SELECT id FROM chapter_text ORDER BY id LIMIT 3)");
  }
  server_.set_failure(lv::site::SampleSite::book_path(book_), Failure::not_found);
  const auto report = download();
  EXPECT_EQ(report.fetched, 3);
  EXPECT_TRUE(report.missing.empty());
  const auto stored = *lv::library::Library::open(path_.string()).book(address_, true);
  const auto links = server_.site().chapters(book_);
  ASSERT_EQ(stored.chapters.size(), links.size());
  for (std::size_t i = 0; i < 4; ++i) {
    EXPECT_EQ(stored.chapters[i].index, static_cast<int>(i));
    EXPECT_EQ(stored.chapters[i].text, lv::routines::load_chapter_text(address_, links[i].address));
  }
}

TEST_F(DownloadBook, SiteThatFailsEveryTransferIsGivenUpOn) {
  for (int i = 0; i < server_.site().chapter_count(book_); ++i) {
    server_.set_failure(chapter_path(i), Failure::too_many_requests);
  }
  // The cover too: a cover that came would begin the count again.
  server_.set_failure(server_.site().cover_path(book_), Failure::too_many_requests);
  const auto report = download();
  EXPECT_TRUE(report.site_gave_up);
  EXPECT_EQ(report.missing.size(), static_cast<std::size_t>(report.chapters));
  EXPECT_EQ(report.missing.back().failure.gave_up_after, 20);
  // Twenty failures in a row, and at most the transfers already under way.
  EXPECT_LT(chapter_requests(), 20 + 4 + 1);
}

// 127.0.0.2 stands for a site on a public address; its book page may not
// lead the download to a cover at home.
TEST(DownloadBookAddresses, CoverOfAPublicSiteMayNotPointHome) {
  lv::net::treat_as_public_for_tests({"127.0.0.2"});
  lv::site::SampleServer home, site;
  ASSERT_TRUE(home.start());
  ASSERT_TRUE(site.start(0, "127.0.0.2"));
  const int book = site.site().book_ids().front();
  const std::string book_path = lv::site::SampleSite::book_path(book);
  std::string page = site.site().get(book_path, site.site_host())->body;
  const std::string cover = site.site().cover_path(book);
  page.replace(page.find(site.site_host() + cover), site.site_host().size(), home.site_host());
  site.set_page(book_path, page);

  const auto path = std::filesystem::temp_directory_path() / ("lorevane-cover-" + std::to_string(::getpid()));
  {
    lv::library::Library library = lv::library::Library::open(path.string());
    lv::routines::download_book("http://" + site.site_host() + book_path, library, {});
    EXPECT_TRUE(library.book("http://" + site.site_host() + book_path, false)->cover.empty());
  }
  EXPECT_EQ(home.request_count(cover), 0);
  lv::net::treat_as_public_for_tests({});
  for (const char* tail : {"", "-wal", "-shm"}) std::filesystem::remove(path.string() + tail);
}

// A library written while the chapter list ran the address of a link whose
// title does not begin with "第" on into the next link (the old end marker
// gives those addresses again): the next download mends it.
TEST_F(DownloadBook, ALibraryFromTheOldChapterListIsMendedByTheNextDownload) {
  book_ = server_.site().find_book_with_every_unnumbered_kind(200);
  ASSERT_NE(book_, 0);
  address_ = "http://" + server_.site_host() + lv::site::SampleSite::book_path(book_);
  const auto links = server_.site().chapters(book_);
  lv::scrape::SiteRules old_rules = lv::scrape::built_in_rules();
  old_rules.chapter_list.addresses.end = lv::scrape::old_chapter_address_end();
  lv::routines::put_rules_in_force(old_rules);
  const auto old = download();
  lv::routines::put_rules_in_force(lv::scrape::built_in_rules());
  std::set<std::string> old_addresses;
  {
    lv::library::Library library = lv::library::Library::open(path_.string());
    const auto before = library.book(address_, false);
    for (const auto& c : before->chapters) old_addresses.insert(c.address);
  }
  ASSERT_TRUE(std::any_of(old_addresses.begin(), old_addresses.end(), lv::library::is_run_on_address));
  ASSERT_LT(old.chapters, static_cast<int>(links.size()));

  server_.reset_counts();
  const auto mended = download();
  EXPECT_EQ(mended.chapters, static_cast<int>(links.size()));
  EXPECT_EQ(mended.list_change.removed, 0);
  EXPECT_TRUE(mended.missing.empty());
  int fetched = 0;
  lv::library::Library library = lv::library::Library::open(path_.string());
  const auto stored = library.book(address_, true);
  ASSERT_EQ(stored->chapters.size(), links.size());
  for (std::size_t i = 0; i < links.size(); ++i) {
    const auto& chapter = stored->chapters[i];
    EXPECT_EQ(chapter.address, links[i].address);
    EXPECT_EQ(chapter.title, lv::scrape::decode_character_references(links[i].title));
    EXPECT_FALSE(chapter.removed);
    // Texts stored before under the right address are kept, not fetched again.
    const int requests = server_.request_count(chapter_path(static_cast<int>(i)));
    EXPECT_EQ(requests, old_addresses.contains(links[i].address) ? 0 : 1) << i;
    fetched += requests;
  }
  EXPECT_EQ(mended.fetched, fetched);
  for (std::size_t i : {std::size_t{0}, std::size_t{1}, links.size() - 1}) {
    EXPECT_EQ(stored->chapters[i].text, lv::routines::load_chapter_text(address_, links[i].address)) << i;
  }
}

}  // namespace
