#include "routines/fetch_chapters.h"

#include <ctime>
#include <optional>

#include "routines/page_fetcher.h"
#include "routines/rules_in_force.h"
#include "scrape/chapter_text.h"

namespace lv::routines {

ChapterFetch settle_chapter(lv::library::Library& library, const std::string& book, const lv::base::Text& address,
                            FetchedPage& page, const lv::scrape::ChapterTextRules& rules) {
  ChapterFetch settled{address, {}, {}};
  lv::base::Text text = page.good ? lv::scrape::parse_chapter_text(std::move(page.body), rules) : lv::base::Text();
  if (page.good && !lv::scrape::is_blank_text(text)) {
    library.save_chapter_text(book, address, text, static_cast<std::int64_t>(std::time(nullptr)));
    settled.text = std::move(text);
  } else {
    settled.failure = page.good ? lv::base::Failure::of(lv::base::FailureKind::no_text) : page.failure;
    library.mark_chapter_missing(book, address, settled.failure);
  }
  return settled;
}

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
    result = settle_chapter(library, book, result.address, next->second, rules->chapter_text);
    if (options.settled) options.settled(result);
  }
  return results;
}

}  // namespace lv::routines
