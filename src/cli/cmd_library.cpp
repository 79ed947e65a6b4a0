// download, export and library: whole books kept in the local library.
#include <CLI/CLI.hpp>

#include <cmath>
#include <cstdio>
#include <memory>

#include "cli/book_report.h"
#include "cli/commands.h"
#include "cli/json.h"
#include "cli/progress_display.h"
#include "cli/signal_watch.h"
#include "export/book_export.h"
#include "export/export_target.h"
#include "export/utc_time.h"
#include "library/library.h"
#include "routines/download_book.h"
#include "routines/rules_in_force.h"

namespace lv::cli {

std::string library_file(const Globals& globals) {
  return globals.library_path.empty() ? lv::library::default_library_path() : globals.library_path;
}

namespace {

// Commands that only read open the file read-only, so that a library that
// cannot be written (a read-only folder or file) still lists and exports.
std::optional<lv::library::Library> open_library_for_reading(const Globals& globals) {
  return lv::library::Library::open_for_reading(library_file(globals));
}

// Downloads what the library lacks of the book, showing progress; names
// every chapter still missing on standard error. A signal stops it; what
// was stored stays, and the report is given all the same.
lv::routines::BookDownloadReport fetch_book(const Globals& globals, const std::string& url,
                                            lv::library::Library& library, int jobs) {
  ProgressDisplay display(stderr);
  lv::routines::BookDownloadOptions options;
  options.jobs = jobs;
  if (globals.signals != nullptr) options.stop = globals.signals->stop_on_signal();
  options.progress = [&display](const auto& progress) { display.update(progress); };
  lv::routines::BookDownloadReport report = lv::routines::download_book(url, library, options);
  if (report.known) display.finish();
  if (report.site_gave_up) {
    std::fprintf(stderr, "lorevane-cli: the site kept failing, so the download stopped asking; what was stored stays\n");
  }
  if (report.stopped) std::fprintf(stderr, "lorevane-cli: stopped; what was stored stays\n");
  say_what_is_missing(report);
  return report;
}

bool complete(const lv::routines::BookDownloadReport& report) {
  return report.known && report.chapters > 0 && report.missing.empty() && !report.stopped &&
         !report.empty_list_ignored;
}

struct BookFileOptions {
  std::string url;
  int jobs = 4;
  // export:
  std::string format, output, encoding, chinese;
  bool offline = false;
};

int run_download(const Globals& globals, const BookFileOptions& o) {
  const std::string url = site_url(globals, o.url);
  lv::library::Library library = lv::library::Library::open(library_file(globals));
  const auto report = fetch_book(globals, url, library, o.jobs);
  print_line(Json{{"book", gbk_value(report.book)},
                  {"title", gbk_value(report.title)},
                  {"chapters", report.chapters},
                  {"stored", report.stored},
                  {"fetched", report.fetched},
                  {"failed", report.failed},
                  {"seconds", std::round(report.seconds * 1000) / 1000}});
  return complete(report) ? 0 : kExitIncomplete;
}

int run_export(const Globals& globals, const BookFileOptions& o) {
  lv::exporting::TextEncoding text_encoding = lv::exporting::TextEncoding::utf8;
  if (!o.encoding.empty()) {
    if (o.format != "txt") throw UsageError("--encoding is for --format txt");
    if (o.encoding == "gbk") text_encoding = lv::exporting::TextEncoding::gbk;
  }
  lv::exporting::ChineseScript script = lv::exporting::ChineseScript::as_written;
  if (!o.chinese.empty()) {
    script = *lv::exporting::script_named(o.chinese);  // the option's check let only those names through
    if (!lv::exporting::script_available(script)) {
      std::fprintf(stderr, "lorevane-cli: --chinese %s is not available: OpenCC's tables for it are not installed\n",
                   o.chinese.c_str());
      return 1;
    }
  }
  const std::string url = site_url(globals, o.url);
  // Refused before anything is downloaded: the library itself, a device, a FIFO, a folder.
  const auto problem = lv::exporting::target_problem(o.output, library_file(globals));
  if (problem != lv::exporting::TargetProblem::none) {
    std::fprintf(stderr, "lorevane-cli: %s\n", lv::exporting::target_problem_text(problem, o.output).c_str());
    return 1;
  }
  std::optional<lv::library::Library> library;
  bool page_as_expected = true;  // the book page did not come out empty
  if (o.offline) {
    library = open_library_for_reading(globals);
  } else {
    library.emplace(lv::library::Library::open(library_file(globals)));
    const auto report = fetch_book(globals, url, *library, o.jobs);
    if (report.stopped) return kExitIncomplete;  // asked to stop: nothing more is written
    page_as_expected = !report.empty_list_ignored;
  }

  const auto book = library ? library->book(url, true) : std::nullopt;
  if (!book) {
    std::fprintf(stderr, "lorevane-cli: %s is not in the library%s\n", url.c_str(),
                 o.offline ? " (download it first, or leave out --offline)" : "");
    return kExitIncomplete;
  }
  lv::exporting::ExportReport written;
  try {
    if (o.format == "epub") {
      written = lv::exporting::write_epub(*book, o.output, script);
    } else {
      written = lv::exporting::write_txt(*book, o.output, text_encoding, script);
    }
  } catch (const lv::exporting::NoChaptersError&) {
    std::fprintf(stderr, "lorevane-cli: %s has no chapters; nothing was written\n", url.c_str());
    return kExitIncomplete;
  } catch (const lv::exporting::ExportError& error) {
    std::fprintf(stderr, "lorevane-cli: %s\n", error.what());
    return 1;
  }
  if (written.cover_problem != lv::exporting::CoverProblem::none) {
    std::fprintf(stderr, "lorevane-cli: the cover was left out of %s: %s\n", o.output.c_str(),
                 lv::exporting::english(written.cover_problem).c_str());
  }
  if (written.unheld_characters > 0) {
    std::fprintf(stderr, "lorevane-cli: %zu characters that GBK cannot hold were written as \"?\" in %s\n",
                 written.unheld_characters, o.output.c_str());
  }
  const std::size_t missing = lv::exporting::missing_chapters(*book);
  if (missing > 0) {
    std::fprintf(stderr, "lorevane-cli: %zu of %zu chapters are missing from %s; each says so in the file\n", missing,
                 book->chapters.size(), o.output.c_str());
  }
  print_line(Json{{"book", gbk_value(book->book)},
                  {"output", o.output},
                  {"format", o.format},
                  {"chapters", book->chapters.size()},
                  {"missing", missing}});
  return missing == 0 && page_as_expected ? 0 : kExitIncomplete;
}

int run_library(const Globals& globals) {
  const auto library = open_library_for_reading(globals);
  if (!library) return 0;  // no library yet: no books
  const lv::base::Text& label = lv::routines::rules_in_force()->book_page.author.label;
  for (const auto& book : library->books()) {
    // The author as a name, without the label the window shows before it.
    const std::string_view author = std::string_view(book.author).starts_with(label)
                                        ? std::string_view(book.author).substr(label.size())
                                        : std::string_view(book.author);
    Json line{{"book", gbk_value(book.book)},
              {"title", gbk_value(book.title)},
              {"author", gbk_value(author)},
              {"chapters", book.chapters},
              {"stored", book.stored},
              {"missing", book.missing},
              {"removed", book.removed},
              {"last_read", nullptr},
              {"read_at", nullptr},
              {"new", book.new_since_read}};
    if (book.last_read_index >= 0) {
      line["last_read"] = Json{{"index", book.last_read_index}, {"title", gbk_value(book.last_read_title)}};
    }
    if (book.reading) line["read_at"] = lv::exporting::utc_time_text(lv::exporting::utc_time(book.reading->read_at));
    print_line(line);
  }
  return 0;
}

}  // namespace

void add_jobs_option(CLI::App& command, int& jobs) {
  command.add_option("--jobs", jobs, "transfers at a time, 1 to 16 (default 4)")
      ->type_name("N")
      ->check(CLI::Range(1, 16).description(""));
}

CommandRun add_download(CLI::App& cli, const Globals& globals) {
  auto o = std::make_shared<BookFileOptions>();
  CLI::App* download = cli.add_subcommand("download", "the whole book into the local library");
  download->add_option("BOOK_URL", o->url, "the book page's address")->required();
  add_jobs_option(*download, o->jobs);
  return [&globals, o] { return run_download(globals, *o); };
}

CommandRun add_export(CLI::App& cli, const Globals& globals) {
  auto o = std::make_shared<BookFileOptions>();
  CLI::App* exporting = cli.add_subcommand(
      "export", "the book from the library as EPUB or TXT (downloads what is missing first)");
  exporting->add_option("BOOK_URL", o->url, "the book page's address")->required();
  exporting->add_option("--format", o->format, "the kind of file")
      ->type_name("epub|txt")
      ->required()
      ->check(CLI::IsMember({"epub", "txt"}).description(""));
  exporting->add_option("--output", o->output, "the file to write (replaced whole)")
      ->type_name("PATH")
      ->required()
      ->check(CLI::Validator([](const std::string& path) { return path.empty() ? "PATH is empty" : ""; }, ""));
  exporting->add_flag("--offline", o->offline, "write what the library holds, download nothing");
  exporting->add_option("--encoding", o->encoding, "the TXT file's encoding (default utf-8)")
      ->type_name("utf-8|gbk")
      ->check(CLI::IsMember({"utf-8", "gbk"}).description(""));
  exporting->add_option("--chinese", o->chinese,
                         "titles, details and texts in Traditional (Taiwan, Hong Kong) or Simplified "
                         "characters (default: as the site wrote them)")
      ->type_name("s2t|s2tw|s2hk|t2s")
      ->check(CLI::IsMember({"s2t", "s2tw", "s2hk", "t2s"}).description(""));
  add_jobs_option(*exporting, o->jobs);
  return [&globals, o] { return run_export(globals, *o); };
}

CommandRun add_library(CLI::App& cli, const Globals& globals) {
  cli.add_subcommand("library", "one line per book in the local library");
  return [&globals] { return run_library(globals); };
}

}  // namespace lv::cli
