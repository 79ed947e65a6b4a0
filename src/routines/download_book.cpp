#include "routines/download_book.h"

#include <ctime>
#include <optional>

#include "base/picture_format.h"
#include "routines/page_fetcher.h"
#include "routines/rules_in_force.h"
#include "scrape/book_page.h"
#include "scrape/chapter_list.h"
#include "scrape/chapter_text.h"

namespace lv::routines {

namespace {

using Clock = std::chrono::steady_clock;
using lv::base::Text;

constexpr std::size_t kBookPage = 0;
constexpr std::size_t kCover = 1;

lv::library::BookDetails details_of(const lv::scrape::BookInfo& info) {
  return {info.name, info.cover_address, info.author, info.category, info.status, info.intro};
}

// The book page, its details, its cover and its chapter list into the
// library. A list that comes out empty while the library holds chapters is
// a page gone wrong, not a book without chapters: nothing is changed.
// Returns nullopt then, else what the list changed.
std::optional<lv::library::ListChange> store_book_page(const std::string& book, Text body,
                                                      lv::library::Library& library, PageFetcher& fetcher,
                                                      const lv::scrape::SiteRules& rules) {
  const lv::scrape::BookInfo info = lv::scrape::parse_book_page(body, rules.book_page);
  lv::scrape::ChapterList list = lv::scrape::parse_chapter_list(body, rules.chapter_list);
  Text().swap(body);
  if (list.chapters.empty()) {
    const auto stored = library.book(book, false);
    if (stored && !stored->chapters.empty()) return std::nullopt;
  }

  lv::base::Bytes cover;
  if (!info.cover_address.empty()) {
    // The book page is the cover's origin: a site's page may not lead it to
    // a local or private address.
    fetcher.fetch(kCover, std::string(info.cover_address), {}, false, book);
    if (auto page = fetcher.next(); page && page->second.good) {
      cover = lv::base::Bytes::from_string(page->second.body);
      // An error page served for the picture would replace a good cover.
      if (!lv::base::looks_like_picture(cover)) cover = {};
    }
  }
  library.save_book(book, details_of(info), cover);

  std::vector<lv::library::StoredChapter> chapters;
  chapters.reserve(list.chapters.size());
  for (std::size_t i = 0; i < list.chapters.size(); ++i) {
    lv::library::StoredChapter c;
    c.index = static_cast<int>(i);
    c.title = std::move(list.chapters[i].title);
    c.address = std::move(list.chapters[i].address);
    chapters.push_back(std::move(c));
  }
  return library.save_chapter_list(book, chapters);
}

std::int64_t seconds_now() { return static_cast<std::int64_t>(std::time(nullptr)); }

}  // namespace

BookDownloadReport download_book(std::string_view book_address, lv::library::Library& library,
                                 const BookDownloadOptions& options) {
  const auto started = Clock::now();
  BookDownloadReport report;
  report.book = std::string(book_address);
  const auto rules = rules_in_force();
  std::optional<lv::net::Scheduler> own;
  lv::net::Scheduler& scheduler =
      options.scheduler != nullptr ? *options.scheduler : own.emplace(lv::net::Scheduler::Options{options.jobs});
  PageFetcher fetcher(scheduler, options.retry, options.stop);

  // The book page: its name shows it is the page asked for.
  fetcher.fetch(kBookPage, report.book, [&rules](const Text& body) {
    return !lv::scrape::parse_book_page(body, rules->book_page).name.empty();
  });
  auto book_page = fetcher.next();
  if (!book_page) {
    report.stopped = true;
  } else if (book_page->second.good) {
    const auto change = store_book_page(report.book, std::move(book_page->second.body), library, fetcher, *rules);
    report.empty_list_ignored = !change;
    if (change) report.list_change = *change;
  } else {
    report.book_page_failure = book_page->second.failure;  // the stored list, if any, still serves
  }

  std::optional<lv::library::StoredBook> stored = library.book(report.book, false);
  report.known = stored.has_value();
  if (!stored) {
    report.seconds = std::chrono::duration<double>(Clock::now() - started).count();
    return report;
  }
  report.title = stored->details.name;
  report.chapters = static_cast<int>(stored->chapters.size());
  // Places in the list as read now: whatever positions the file holds, a
  // place is an index into stored->chapters.
  std::vector<std::size_t> to_fetch;
  for (std::size_t i = 0; i < stored->chapters.size(); ++i) {
    // A chapter the site no longer lists cannot be fetched from its list.
    if (!stored->chapters[i].stored && !stored->chapters[i].removed) to_fetch.push_back(i);
  }

  BookDownloadOptions::Progress progress;
  // A chapter the site took down and the library never had counts for nothing.
  for (const auto& chapter : stored->chapters) {
    progress.stored += chapter.stored ? 1 : 0;
    progress.total += chapter.stored || !chapter.removed ? 1 : 0;
  }
  const auto tell = [&] {
    progress.elapsed = Clock::now() - started;
    if (options.progress) options.progress(progress);
  };
  tell();
  if (report.stopped) to_fetch.clear();

  const PageCheck holds_text = [&rules](const Text& body) {
    return lv::scrape::has_chapter_text(body, rules->chapter_text);
  };
  // Keys past the book page and the cover are places in the list.
  constexpr std::size_t kFirstChapterKey = 2;
  for (std::size_t place : to_fetch) {
    fetcher.fetch(kFirstChapterKey + place, report.book + std::string(stored->chapters[place].address), holds_text);
  }
  for (std::size_t left = to_fetch.size(); left > 0; --left) {
    auto next = fetcher.next();
    if (!next) {
      report.stopped = true;
      break;
    }
    if (next->first < kFirstChapterKey || next->first - kFirstChapterKey >= stored->chapters.size()) continue;
    const Text& address = stored->chapters[next->first - kFirstChapterKey].address;
    FetchedPage& page = next->second;
    progress.bytes += page.outcome.bytes;
    Text text = page.good ? lv::scrape::parse_chapter_text(std::move(page.body), rules->chapter_text) : Text();
    if (page.good && !lv::scrape::is_blank_text(text)) {
      library.save_chapter_text(report.book, address, text, seconds_now());
      ++progress.fetched;
      ++progress.stored;
    } else {
      // A page with nothing but spaces and breaks is a placeholder ("not
      // yet published"), not the chapter: fetched again next time.
      lv::base::Failure why = page.failure;
      if (page.good) why = lv::base::Failure::of(lv::base::FailureKind::no_text);
      library.mark_chapter_missing(report.book, address, why);
      ++progress.failed;
    }
    tell();
  }
  report.site_gave_up = fetcher.gave_up_on_a_host();

  report.fetched = progress.fetched;
  report.failed = progress.failed;
  report.stored = progress.stored;
  // Whatever is still without its text, from this download or an earlier one.
  stored = library.book(report.book, false);
  for (const auto& chapter : stored->chapters) {
    if (chapter.stored || chapter.removed) continue;
    MissingChapter m;
    m.index = chapter.index;
    m.title = chapter.title;
    m.address = report.book + std::string(chapter.address);
    m.failure = chapter.missing.failed() ? chapter.missing : lv::base::Failure::of(lv::base::FailureKind::not_fetched_yet);
    report.missing.push_back(std::move(m));
  }
  report.seconds = std::chrono::duration<double>(Clock::now() - started).count();
  return report;
}

}  // namespace lv::routines
