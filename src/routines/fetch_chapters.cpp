#include "routines/fetch_chapters.h"

#include <ctime>
#include <optional>

#include "routines/page_fetcher.h"
#include "routines/rules_in_force.h"
#include "scrape/chapter_text.h"

namespace lv::routines {

std::vector<ChapterFetch> fetch_chapters(const std::string& book, const std::vector<lv::base::Text>& addresses,
                                         lv::library::Library& library, const ChapterFetchOptions& options) {
  using lv::base::Failure;
  using lv::base::FailureKind;
  std::vector<ChapterFetch> results(addresses.size());
  for (std::size_t i = 0; i < addresses.size(); ++i) {
    results[i].address = addresses[i];
    results[i].failure = Failure::of(FailureKind::cancelled);
  }
  const auto rules = rules_in_force();
  std::optional<lv::net::Scheduler> own;
  lv::net::Scheduler& scheduler = options.scheduler != nullptr ? *options.scheduler : own.emplace();
  PageFetcher fetcher(scheduler, options.retry, options.stop);
  const PageCheck holds_text = [&rules](const lv::base::Text& body) {
    return lv::scrape::has_chapter_text(body, rules->chapter_text);
  };
  for (std::size_t i = 0; i < addresses.size(); ++i) fetcher.fetch(i, book + std::string(addresses[i]), holds_text);
  for (std::size_t left = addresses.size(); left > 0; --left) {
    auto next = fetcher.next();
    if (!next) break;
    ChapterFetch& result = results[next->first];
    FetchedPage& page = next->second;
    lv::base::Text text =
        page.good ? lv::scrape::parse_chapter_text(std::move(page.body), rules->chapter_text) : lv::base::Text();
    if (page.good && !lv::scrape::is_blank_text(text)) {
      library.save_chapter_text(book, result.address, text, static_cast<std::int64_t>(std::time(nullptr)));
      result.text = std::move(text);
      result.failure = {};
    } else {
      // A page with nothing but spaces and breaks is a placeholder, not the chapter.
      result.failure = page.good ? Failure::of(FailureKind::no_text) : page.failure;
      library.mark_chapter_missing(book, result.address, result.failure);
    }
    if (options.settled) options.settled(result);
  }
  return results;
}

}  // namespace lv::routines
