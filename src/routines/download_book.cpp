#include "routines/download_book.h"

#include <ctime>
#include <optional>

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

// The book page, its details, its cover and its chapter list into the library.
void store_book_page(const std::string& book, Text body, lv::library::Library& library, PageFetcher& fetcher,
                     const lv::scrape::SiteRules& rules) {
  const lv::scrape::BookInfo info = lv::scrape::parse_book_page(body, rules.book_page);
  lv::scrape::ChapterList list = lv::scrape::parse_chapter_list(body, rules.chapter_list);
  Text().swap(body);

  lv::base::Bytes cover;
  if (!info.cover_address.empty()) {
    fetcher.fetch(kCover, std::string(info.cover_address), {}, false);
    if (auto page = fetcher.next(); page && page->second.good) {
      cover = lv::base::Bytes::from_string(page->second.body);
    }
  }
  library.save_book(book, details_of(info), cover);

  std::vector<lv::library::StoredChapter> chapters;
  chapters.reserve(list.addresses.size());
  for (std::size_t i = 0; i < list.addresses.size(); ++i) {
    lv::library::StoredChapter c;
    c.index = static_cast<int>(i);
    c.title = i < list.titles.size() ? std::move(list.titles[i]) : Text();
    c.address = std::move(list.addresses[i]);
    chapters.push_back(std::move(c));
  }
  library.save_chapter_list(book, chapters);
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
    store_book_page(report.book, std::move(book_page->second.body), library, fetcher, *rules);
  } else {
    report.book_page_problem = book_page->second.problem;  // the stored list, if any, still serves
  }

  std::optional<lv::library::StoredBook> stored = library.book(report.book, false);
  report.known = stored.has_value();
  if (!stored) {
    report.seconds = std::chrono::duration<double>(Clock::now() - started).count();
    return report;
  }
  report.title = stored->details.name;
  report.chapters = static_cast<int>(stored->chapters.size());
  const std::vector<int> to_fetch = report.stopped ? std::vector<int>{} : library.chapters_to_fetch(report.book);

  BookDownloadOptions::Progress progress;
  progress.total = report.chapters;
  progress.stored = report.chapters - static_cast<int>(library.chapters_to_fetch(report.book).size());
  const auto tell = [&] {
    progress.elapsed = Clock::now() - started;
    if (options.progress) options.progress(progress);
  };
  tell();

  const PageCheck holds_text = [&rules](const Text& body) {
    return lv::scrape::has_chapter_text(body, rules->chapter_text);
  };
  // Keys past the book page and the cover are chapter indexes.
  constexpr std::size_t kFirstChapterKey = 2;
  for (int index : to_fetch) {
    const auto& chapter = stored->chapters[static_cast<std::size_t>(index)];
    fetcher.fetch(kFirstChapterKey + static_cast<std::size_t>(index), report.book + std::string(chapter.address),
                  holds_text);
  }
  for (std::size_t left = to_fetch.size(); left > 0; --left) {
    auto next = fetcher.next();
    if (!next) {
      report.stopped = true;
      break;
    }
    const int index = static_cast<int>(next->first - kFirstChapterKey);
    FetchedPage& page = next->second;
    progress.bytes += page.outcome.bytes;
    Text text = page.good ? lv::scrape::parse_chapter_text(std::move(page.body), rules->chapter_text) : Text();
    if (!text.empty()) {
      library.save_chapter_text(report.book, index, text, seconds_now());
      ++progress.fetched;
      ++progress.stored;
    } else {
      const std::string reason = page.good ? std::string("the chapter text is empty") : page.problem;
      library.mark_chapter_missing(report.book, index, reason);
      ++progress.failed;
    }
    tell();
  }

  report.fetched = progress.fetched;
  report.failed = progress.failed;
  report.stored = progress.stored;
  // Whatever is still without its text, from this download or an earlier one.
  stored = library.book(report.book, false);
  for (const auto& chapter : stored->chapters) {
    if (chapter.stored) continue;
    MissingChapter m;
    m.index = chapter.index;
    m.title = chapter.title;
    m.address = report.book + std::string(chapter.address);
    m.reason = chapter.missing.empty() ? std::string("not fetched yet") : chapter.missing;
    report.missing.push_back(std::move(m));
  }
  report.seconds = std::chrono::duration<double>(Clock::now() - started).count();
  return report;
}

}  // namespace lv::routines
