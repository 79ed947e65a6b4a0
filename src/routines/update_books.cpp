#include "routines/update_books.h"

#include <ctime>
#include <optional>

#include "base/picture_format.h"
#include "routines/fetch_chapters.h"
#include "routines/page_fetcher.h"
#include "routines/rules_in_force.h"
#include "scrape/book_page.h"
#include "scrape/chapter_list.h"
#include "scrape/chapter_text.h"

namespace lv::routines {

namespace {

using Clock = std::chrono::steady_clock;
using lv::base::Failure;
using lv::base::FailureKind;
using lv::base::Text;

// What a page fetched for the run is for; a page's key is its job's place.
struct Job {
  enum class Kind { book_page, cover, chapter };
  std::size_t book;
  Kind kind;
  std::size_t place = 0;  // a chapter's place in the book's list
};

struct BookState {
  BookUpdate update;
  lv::library::StoredBook listed;  // the list as merged, without texts: what chapter jobs point into
  int outstanding = 0;             // pages asked for and not come back yet
  bool done = false;
};

lv::library::BookDetails details_of(const lv::scrape::BookInfo& info) {
  return {info.name, info.cover_address, info.author, info.category, info.status, info.intro};
}

std::int64_t seconds_now() { return static_cast<std::int64_t>(std::time(nullptr)); }

class Run final {
 public:
  Run(const std::vector<std::string>& books, lv::library::Library& library, const UpdateOptions& options,
      lv::net::Scheduler& scheduler)
      : library_(library),
        options_(options),
        rules_(rules_in_force()),
        fetcher_(scheduler, options.retry, options.stop),
        started_(Clock::now()) {
    states_.resize(books.size());
    progress_.books = static_cast<int>(books.size());
    for (std::size_t i = 0; i < books.size(); ++i) states_[i].update.book = books[i];
  }

  UpdateReport run() {
    for (std::size_t i = 0; i < states_.size(); ++i) {
      // The book page: its name shows it is the page asked for.
      ask(Job{i, Job::Kind::book_page}, states_[i].update.book, [this](const Text& body) {
        return !lv::scrape::parse_book_page(body, rules_->book_page).name.empty();
      });
    }
    tell();
    UpdateReport report;
    while (fetcher_.pending() > 0) {
      auto next = fetcher_.next();
      if (!next) {
        report.stopped = true;
        break;
      }
      const Job job = jobs_.at(next->first);
      BookState& state = states_[job.book];
      --state.outstanding;
      FetchedPage& page = next->second;
      progress_.bytes += page.outcome.bytes;
      switch (job.kind) {
        case Job::Kind::book_page: book_page_came(job.book, page); break;
        case Job::Kind::cover: cover_came(state, page); break;
        case Job::Kind::chapter: chapter_came(state, job.place, page); break;
      }
      if (state.outstanding == 0) finish(state);
      tell();
    }
    // Stopped: every book still says what it has and what it lacks.
    for (BookState& state : states_) finish(state);
    report.site_gave_up = fetcher_.gave_up_on_a_host();
    report.seconds = std::chrono::duration<double>(Clock::now() - started_).count();
    for (BookState& state : states_) report.books.push_back(std::move(state.update));
    return report;
  }

 private:
  void ask(Job job, std::string url, PageCheck check, bool as_text = true, std::string origin = {}) {
    ++states_[job.book].outstanding;
    jobs_.push_back(job);
    fetcher_.fetch(jobs_.size() - 1, std::move(url), std::move(check), as_text, std::move(origin));
  }

  void tell() {
    progress_.elapsed = Clock::now() - started_;
    if (options_.progress) options_.progress(progress_);
  }

  void book_page_came(std::size_t index, FetchedPage& page) {
    BookUpdate& update = states_[index].update;
    if (page.good) {
      store_book_page(index, std::move(page.body));
    } else {
      update.book_page_failure = page.failure;  // the stored list, if any, still serves
    }
    std::optional<lv::library::StoredBook> stored = library_.book(update.book, false);
    update.known = stored.has_value();
    if (!stored) return;
    BookState& state = states_[index];
    state.listed = std::move(*stored);
    update.title = state.listed.details.name;
    update.chapters = static_cast<int>(state.listed.chapters.size());
    const PageCheck holds_text = [this](const Text& body) {
      return lv::scrape::has_chapter_text(body, rules_->chapter_text);
    };
    for (std::size_t place = 0; place < state.listed.chapters.size(); ++place) {
      const auto& chapter = state.listed.chapters[place];
      // A chapter the site took down and the library never had counts for nothing.
      if (chapter.stored || !chapter.removed) ++progress_.chapters;
      if (chapter.stored) ++progress_.stored;
      // A chapter the site no longer lists cannot be fetched from its list.
      if (!chapter.stored && !chapter.removed) {
        ask(Job{index, Job::Kind::chapter, place}, update.book + std::string(chapter.address), holds_text);
      }
    }
  }

  // The book's details and chapter list into the library, and its cover
  // asked for when the library has none or the page names another. A list
  // that comes out empty while the library holds chapters is a page gone
  // wrong, not a book without chapters: nothing is changed.
  void store_book_page(std::size_t index, Text body) {
    BookUpdate& update = states_[index].update;
    const lv::scrape::BookInfo info = lv::scrape::parse_book_page(body, rules_->book_page);
    lv::scrape::ChapterList list = lv::scrape::parse_chapter_list(body, rules_->chapter_list);
    Text().swap(body);
    const auto stored = library_.book_details(update.book);
    if (list.chapters.empty() && stored) {
      const auto held = library_.book(update.book, false);
      if (held && !held->chapters.empty()) {
        update.empty_list_ignored = true;
        return;
      }
    }
    library_.save_book(update.book, details_of(info), {});
    // A cover is asked for with a new book and when the page names another;
    // one that did not come is asked for again at most once a day.
    constexpr std::int64_t kDay = 24 * 60 * 60;
    const bool cover_wanted =
        !info.cover_address.empty() &&
        (!stored || stored->details.cover_address != info.cover_address ||
         (stored->cover.empty() && seconds_now() - stored->checked_at >= kDay));
    if (cover_wanted) {
      // The book page is the cover's origin: a site's page may not lead it to
      // a local or private address.
      ask(Job{index, Job::Kind::cover}, std::string(info.cover_address), {}, false, update.book);
    }
    std::vector<lv::library::StoredChapter> chapters;
    chapters.reserve(list.chapters.size());
    for (std::size_t i = 0; i < list.chapters.size(); ++i) {
      lv::library::StoredChapter c;
      c.index = static_cast<int>(i);
      c.title = std::move(list.chapters[i].title);
      c.address = std::move(list.chapters[i].address);
      chapters.push_back(std::move(c));
    }
    update.list_change = library_.save_chapter_list(update.book, chapters);
  }

  void cover_came(BookState& state, FetchedPage& page) {
    if (!page.good) return;
    const auto cover = lv::base::Bytes::from_string(page.body);
    // An error page served for the picture would replace a good cover.
    if (lv::base::looks_like_picture(cover)) library_.save_cover(state.update.book, cover);
  }

  void chapter_came(BookState& state, std::size_t place, FetchedPage& page) {
    const Text& address = state.listed.chapters.at(place).address;
    // A stored text is never blank; an empty one means the chapter is missing.
    if (!settle_chapter(library_, state.update.book, address, page, rules_->chapter_text).text.empty()) {
      ++state.update.fetched;
      ++progress_.fetched;
      ++progress_.stored;
    } else {
      ++state.update.failed;
      ++progress_.failed;
    }
  }

  // Whatever is still without its text, from this run or an earlier one.
  void finish(BookState& state) {
    if (state.done) return;
    state.done = true;
    ++progress_.books_done;
    BookUpdate& update = state.update;
    if (update.known) {
      // Read again only when this run stored or marked something.
      std::optional<lv::library::StoredBook> read_again;
      if (update.fetched + update.failed > 0) read_again = library_.book(update.book, false);
      const auto& chapters = read_again ? read_again->chapters : state.listed.chapters;
      for (const auto& chapter : chapters) {
        if (chapter.stored) ++update.stored;
        if (chapter.stored || chapter.removed) continue;
        MissingChapter m;
        m.index = chapter.index;
        m.title = chapter.title;
        m.address = update.book + std::string(chapter.address);
        m.failure = chapter.missing.failed() ? chapter.missing : Failure::of(FailureKind::not_fetched_yet);
        update.missing.push_back(std::move(m));
      }
    }
    state.listed = {};
    if (options_.book_done) options_.book_done(update);
  }

  lv::library::Library& library_;
  const UpdateOptions& options_;
  std::shared_ptr<const lv::scrape::SiteRules> rules_;
  PageFetcher fetcher_;
  Clock::time_point started_;
  std::vector<BookState> states_;
  std::vector<Job> jobs_;
  UpdateProgress progress_;
};

}  // namespace

UpdateReport update_books(const std::vector<std::string>& books, lv::library::Library& library,
                          const UpdateOptions& options) {
  std::optional<lv::net::Scheduler> own;
  lv::net::Scheduler& scheduler =
      options.scheduler != nullptr ? *options.scheduler : own.emplace(lv::net::Scheduler::Options{options.jobs});
  return Run(books, library, options, scheduler).run();
}

}  // namespace lv::routines
