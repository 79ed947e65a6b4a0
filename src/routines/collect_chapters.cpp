#include "routines/collect_chapters.h"

#include "net/download.h"
#include "routines/rules_in_force.h"
#include "scrape/chapter_list.h"

namespace lv::routines {

namespace {
// Chapters travel to the window in batches so a long book fills quickly
// without one enormous hand-over.
constexpr std::size_t kBatchSize = 200;
}  // namespace

lv::net::TransferOutcome collect_chapters(std::string_view book_address, SharedState& state,
                                          const ChapterSink& sink, std::stop_token stop) {
  const auto stopped = [&stop] { return stop.stop_requested(); };
  lv::net::TransferOutcome outcome;
  lv::net::DownloadRequest request;
  request.url = Text(book_address);
  request.stop = stop;
  request.outcome_out = &outcome;
  const Text body = lv::net::download_text(request);
  if (stopped()) return outcome;
  lv::scrape::ChapterList list = lv::scrape::parse_chapter_list(body, rules_in_force()->chapter_list);

  state.set_current_book_title(list.book_title);
  if (sink.set_book_title) sink.set_book_title(list.book_title);

  std::vector<ChapterEntry> batch;
  for (std::size_t i = 0; i < list.chapters.size(); ++i) {
    lv::scrape::ChapterLink& link = list.chapters[i];
    batch.push_back(ChapterEntry{std::move(link.title), std::move(link.address)});
    if (batch.size() == kBatchSize || i + 1 == list.chapters.size()) {
      if (stopped()) return outcome;
      if (sink.add_chapters) sink.add_chapters(std::move(batch));
      batch.clear();
    }
  }
  return outcome;
}

}  // namespace lv::routines
