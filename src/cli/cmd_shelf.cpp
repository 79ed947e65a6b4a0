// update, remove and search: following the books the library holds.
#include <CLI/CLI.hpp>

#include <cmath>
#include <cstdio>
#include <memory>
#include <vector>

#include "cli/book_report.h"
#include "cli/commands.h"
#include "cli/json.h"
#include "cli/progress_display.h"
#include "cli/signal_watch.h"
#include "base/code_page.h"
#include "library/library.h"
#include "routines/search_library.h"
#include "routines/update_books.h"

namespace lv::cli {

namespace {

struct UpdateArgs {
  std::vector<std::string> books;
  int jobs = 4;
};

int run_update(const Globals& globals, const UpdateArgs& args) {
  lv::library::Library library = lv::library::Library::open(library_file(globals));
  std::vector<std::string> books;
  for (const std::string& book : args.books) books.push_back(site_url(globals, book));
  if (args.books.empty()) {
    for (const auto& summary : library.books()) books.push_back(summary.book);
  }
  ProgressDisplay display(stderr);
  lv::routines::UpdateOptions options;
  options.jobs = args.jobs;
  if (globals.signals != nullptr) options.stop = globals.signals->stop_on_signal();
  options.progress = [&display](const lv::routines::UpdateProgress& p) { display.update(p); };
  bool complete = true;
  lv::library::ListChange all;
  int fetched = 0, failed = 0, missing = 0;
  options.book_done = [&](const lv::routines::BookUpdate& book) {
    print_line(Json{{"book", gbk_value(book.book)},
                    {"title", gbk_value(book.title)},
                    {"new", book.list_change.added},
                    {"removed", book.list_change.removed},
                    {"renamed", book.list_change.renamed},
                    {"fetched", book.fetched},
                    {"failed", book.failed}});
    std::fflush(stdout);
    say_what_is_missing(book);
    complete = complete && book.known && book.missing.empty() && !book.empty_list_ignored;
    all.added += book.list_change.added;
    all.removed += book.list_change.removed;
    all.renamed += book.list_change.renamed;
    fetched += book.fetched;
    failed += book.failed;
    missing += static_cast<int>(book.missing.size());
  };
  const lv::routines::UpdateReport report = lv::routines::update_books(books, library, options);
  if (!books.empty()) display.finish();
  if (report.site_gave_up) {
    std::fprintf(stderr, "lorevane-cli: the site kept failing, so the update stopped asking; what was stored stays\n");
  }
  if (report.stopped) std::fprintf(stderr, "lorevane-cli: stopped; what was stored stays\n");
  print_line(Json{{"books", books.size()},
                  {"new", all.added},
                  {"removed", all.removed},
                  {"renamed", all.renamed},
                  {"fetched", fetched},
                  {"failed", failed},
                  {"missing", missing},
                  {"seconds", std::round(report.seconds * 1000) / 1000}});
  return complete && !report.stopped ? 0 : kExitIncomplete;
}

int run_remove(const Globals& globals, const std::string& url) {
  const std::string book = site_url(globals, url);
  auto library = lv::library::Library::open_for_reading(library_file(globals));
  if (!library || !library->book(book, false)) {
    std::fprintf(stderr, "lorevane-cli: %s is not in the library\n", book.c_str());
    return kExitIncomplete;
  }
  library.reset();
  const bool removed = lv::library::Library::open(library_file(globals)).remove_book(book);
  print_line(Json{{"book", gbk_value(book)}, {"removed", removed}});
  return removed ? 0 : kExitIncomplete;
}

struct SearchArgs {
  std::string text;
  std::string book;
  int limit = 0;
};

int run_search(const Globals& globals, const SearchArgs& args) {
  const auto library = lv::library::Library::open_for_reading(library_file(globals));
  if (!library) return 0;  // no library yet: nothing found
  lv::routines::SearchOptions options;
  if (!args.book.empty()) options.book = site_url(globals, args.book);
  options.limit = args.limit;
  // The command line is UTF-8; the texts are GBK.
  const lv::base::Text sought = lv::base::utf8_to_gbk(args.text);
  lv::routines::search_library(*library, sought, options, [](const lv::routines::SearchHit& hit) {
    print_line(Json{{"book", gbk_value(hit.book)},
                    {"title", gbk_value(hit.book_title)},
                    {"index", hit.index},
                    {"chapter", gbk_value(hit.chapter_title)},
                    {"snippet", gbk_value(hit.snippet)}});
    return true;
  });
  return 0;
}

}  // namespace

CommandRun add_update(CLI::App& cli, const Globals& globals) {
  auto args = std::make_shared<UpdateArgs>();
  CLI::App* update = cli.add_subcommand(
      "update", "new and still-missing chapters of books in the library (every book when none is named)");
  update->add_option("BOOK_URL", args->books, "the book pages' addresses");
  add_jobs_option(*update, args->jobs);
  return [&globals, args] { return run_update(globals, *args); };
}

CommandRun add_remove(CLI::App& cli, const Globals& globals) {
  auto url = std::make_shared<std::string>();
  CLI::App* remove = cli.add_subcommand("remove", "the book, its chapters and its reading position out of the library");
  remove->add_option("BOOK_URL", *url, "the book page's address")->required();
  return [&globals, url] { return run_remove(globals, *url); };
}

CommandRun add_search(CLI::App& cli, const Globals& globals) {
  auto args = std::make_shared<SearchArgs>();
  CLI::App* search = cli.add_subcommand("search", "the stored chapters that hold TEXT, one line per place");
  search->add_option("TEXT", args->text, "what to look for (ASCII letters in either case)")->required();
  search->add_option("--book", args->book, "only this book")->type_name("BOOK_URL");
  search->add_option("--limit", args->limit, "at most N places")->type_name("N")->check(CLI::PositiveNumber.description(""));
  return [&globals, args] { return run_search(globals, *args); };
}

}  // namespace lv::cli
