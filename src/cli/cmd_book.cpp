// info, chapters and read: a book as the windows would show it.
#include <cstdio>

#include "cli/commands.h"
#include "cli/json.h"
#include "routines/book_info.h"
#include "routines/chapter.h"
#include "routines/collect_chapters.h"

namespace lv::cli {

namespace {

struct LoadedChapters {
  lv::base::Text book_title;
  std::vector<lv::routines::ChapterEntry> chapters;
  lv::net::TransferOutcome outcome;
};

// A page that could not be fetched (no connection, time-out, an error
// status) is named on standard error; one that came without its markers is
// not a failure: its values are simply empty.
bool fetched_or_said_why(const lv::net::TransferOutcome& outcome, const std::string& url) {
  if (outcome.fetched()) return true;
  std::fprintf(stderr, "lorevane-cli: %s could not be fetched: %s\n", url.c_str(),
               lv::net::describe(outcome).c_str());
  return false;
}

LoadedChapters load_chapters(const std::string& book_url, lv::routines::SharedState& state) {
  LoadedChapters loaded;
  lv::routines::ChapterSink sink;
  sink.set_book_title = [&](const lv::base::Text& title) { loaded.book_title = title; };
  sink.add_chapters = [&](std::vector<lv::routines::ChapterEntry>&& batch) {
    for (auto& entry : batch) loaded.chapters.push_back(std::move(entry));
  };
  loaded.outcome = lv::routines::collect_chapters(book_url, state, sink);
  return loaded;
}

}  // namespace

int run_info(const Globals& globals, Args args) {
  const bool fetch = args.take_flag("--fetch");
  const auto positional = args.positionals(1, "lorevane-cli info BOOK_URL [--fetch]");
  const std::string url = site_url(globals, positional[0]);
  const auto loader = fetch ? lv::routines::PageLoader::fetch : lv::routines::PageLoader::download;
  lv::net::TransferOutcome outcome;
  const lv::scrape::BookInfo info = lv::routines::load_book_info(url, loader, &outcome);
  if (!fetched_or_said_why(outcome, url)) return kExitIncomplete;
  const lv::base::Bytes cover = lv::routines::load_cover(info.cover_address, url);
  std::printf("{\"name\":%s,\"cover_address\":%s,\"author\":%s,\"category\":%s,\"status\":%s,\"intro\":%s,"
              "\"cover_size\":%zu}\n",
              json_gbk(info.name).c_str(), json_gbk(info.cover_address).c_str(), json_gbk(info.author).c_str(),
              json_gbk(info.category).c_str(), json_gbk(info.status).c_str(), json_gbk(info.intro).c_str(),
              cover.size());
  return 0;
}

int run_chapters(const Globals& globals, Args args) {
  const auto positional = args.positionals(1, "lorevane-cli chapters BOOK_URL");
  lv::routines::SharedState state;
  const std::string url = site_url(globals, positional[0]);
  const LoadedChapters loaded = load_chapters(url, state);
  if (!fetched_or_said_why(loaded.outcome, url)) return kExitIncomplete;
  std::string out = "{\"book_title\":" + json_gbk(loaded.book_title) + ",\"chapters\":[";
  for (std::size_t i = 0; i < loaded.chapters.size(); ++i) {
    if (i > 0) out += ',';
    out += "{\"title\":" + json_gbk(loaded.chapters[i].title) + ",\"address\":" +
           json_gbk(loaded.chapters[i].address) + "}";
  }
  out += "]}\n";
  std::fwrite(out.data(), 1, out.size(), stdout);
  return 0;
}

int run_read(const Globals& globals, Args args) {
  const auto positional = args.positionals(2, "lorevane-cli read BOOK_URL INDEX");
  const std::string url = site_url(globals, positional[0]);
  const int index = parse_int(positional[1], "INDEX");
  if (index < -1) throw UsageError("INDEX must be -1 or a chapter index from 0");

  lv::routines::SharedState state;
  const LoadedChapters loaded = load_chapters(url, state);
  if (!fetched_or_said_why(loaded.outcome, url)) return kExitIncomplete;
  if (index >= static_cast<int>(loaded.chapters.size())) {
    throw UsageError("INDEX " + positional[1] + " is past the last chapter (" +
                     std::to_string(loaded.chapters.size()) + " chapters)");
  }
  // With no chapter selected both list texts are empty, so the request goes
  // to the book address itself, as in the reader.
  const lv::routines::ChapterEntry none;
  const auto& chapter = index < 0 ? none : loaded.chapters[static_cast<std::size_t>(index)];
  lv::net::TransferOutcome outcome;
  // The chapter text goes as soon as the content holds it: a long chapter is not kept twice.
  const lv::base::Text content = lv::routines::chapter_view_content(
      chapter.title, lv::routines::load_chapter_text(url, chapter.address, &outcome));
  if (!fetched_or_said_why(outcome, url + std::string(chapter.address))) return kExitIncomplete;
  const lv::base::Text caption = lv::routines::chapter_caption(state.current_book_title(), chapter.title);
  std::printf("{\"caption\":%s,\"content\":", json_gbk(caption).c_str());
  write_json_gbk(stdout, content);
  std::fputs("}\n", stdout);
  return 0;
}

}  // namespace lv::cli
