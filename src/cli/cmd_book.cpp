// info, chapters and read: a book as the windows would show it.
#include <CLI/CLI.hpp>

#include <cstdio>
#include <memory>

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

struct BookOptions {
  std::string url;
  bool fetch = false;  // info: the book page through the windows' page fetch
  int index = 0;       // read: the chapter
};

int run_info(const Globals& globals, const BookOptions& o) {
  const std::string url = site_url(globals, o.url);
  const auto loader = o.fetch ? lv::routines::PageLoader::fetch : lv::routines::PageLoader::download;
  lv::net::TransferOutcome outcome;
  const lv::scrape::BookInfo info = lv::routines::load_book_info(url, loader, &outcome);
  if (!fetched_or_said_why(outcome, url)) return kExitIncomplete;
  const lv::base::Bytes cover = lv::routines::load_cover(info.cover_address, url);
  print_line(Json{{"name", gbk_value(info.name)},
                  {"cover_address", gbk_value(info.cover_address)},
                  {"author", gbk_value(info.author)},
                  {"category", gbk_value(info.category)},
                  {"status", gbk_value(info.status)},
                  {"intro", gbk_value(info.intro)},
                  {"cover_size", cover.size()}});
  return 0;
}

int run_chapters(const Globals& globals, const BookOptions& o) {
  lv::routines::SharedState state;
  const std::string url = site_url(globals, o.url);
  const LoadedChapters loaded = load_chapters(url, state);
  if (!fetched_or_said_why(loaded.outcome, url)) return kExitIncomplete;
  Json chapters = Json::array();
  for (const auto& chapter : loaded.chapters) {
    chapters.push_back(Json{{"title", gbk_value(chapter.title)}, {"address", gbk_value(chapter.address)}});
  }
  print_line(Json{{"book_title", gbk_value(loaded.book_title)}, {"chapters", std::move(chapters)}});
  return 0;
}

int run_read(const Globals& globals, const BookOptions& o) {
  const std::string url = site_url(globals, o.url);
  const int index = o.index;
  if (index < -1) throw UsageError("INDEX must be -1 or a chapter index from 0");

  lv::routines::SharedState state;
  const LoadedChapters loaded = load_chapters(url, state);
  if (!fetched_or_said_why(loaded.outcome, url)) return kExitIncomplete;
  if (index >= static_cast<int>(loaded.chapters.size())) {
    throw UsageError("INDEX " + std::to_string(index) + " is past the last chapter (" +
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
  // The line is framed here so that the content is streamed, not held again.
  std::printf("{\"caption\":%s,\"content\":", json_text(gbk_value(caption)).c_str());
  write_json_gbk(stdout, content);
  std::fputs("}\n", stdout);
  return 0;
}

}  // namespace

CommandRun add_info(CLI::App& cli, const Globals& globals) {
  auto o = std::make_shared<BookOptions>();
  CLI::App* info = cli.add_subcommand("info", "the book information window's values");
  info->add_option("BOOK_URL", o->url, "the book page's address")->required();
  info->add_flag("--fetch", o->fetch, "the book page through the windows' page fetch");
  return [&globals, o] { return run_info(globals, *o); };
}

CommandRun add_chapters(CLI::App& cli, const Globals& globals) {
  auto o = std::make_shared<BookOptions>();
  cli.add_subcommand("chapters", "the reader's chapter list")->add_option("BOOK_URL", o->url, "the book page's address")->required();
  return [&globals, o] { return run_chapters(globals, *o); };
}

CommandRun add_read(CLI::App& cli, const Globals& globals) {
  auto o = std::make_shared<BookOptions>();
  CLI::App* read = cli.add_subcommand("read", "one chapter as the reader shows it");
  read->add_option("BOOK_URL", o->url, "the book page's address")->required();
  read->add_option("INDEX", o->index, "the chapter, from 0 (-1: none)")->required();
  return [&globals, o] { return run_read(globals, *o); };
}

}  // namespace lv::cli
