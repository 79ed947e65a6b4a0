// download, export and library: whole books kept in the local library.
#include <cstdio>

#include "cli/commands.h"
#include "cli/json.h"
#include "cli/progress_display.h"
#include "cli/signal_watch.h"
#include "export/book_export.h"
#include "export/export_target.h"
#include "library/library.h"
#include "routines/download_book.h"
#include "routines/rules_in_force.h"

namespace lv::cli {

namespace {

std::string library_path(const Globals& globals) {
  return globals.library_path.empty() ? lv::library::default_library_path() : globals.library_path;
}

// Commands that only read open the file read-only, so that a library that
// cannot be written (a read-only folder or file) still lists and exports.
std::optional<lv::library::Library> open_library_for_reading(const Globals& globals) {
  return lv::library::Library::open_for_reading(library_path(globals));
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
  if (report.book_page_failure.failed()) {
    std::fprintf(stderr, "lorevane-cli: the book page %s could not be fetched: %s%s\n", url.c_str(),
                 lv::base::english(report.book_page_failure).c_str(),
                 report.known ? " (the stored chapter list is used)" : "");
  }
  if (report.empty_list_ignored) {
    std::fprintf(stderr,
                 "lorevane-cli: the book page %s lists no chapters, but the library holds %d; the library "
                 "was left as it was (has the site's layout changed?)\n",
                 url.c_str(), report.chapters);
  } else if (report.known && report.chapters == 0) {
    std::fprintf(stderr, "lorevane-cli: the book page %s lists no chapters\n", url.c_str());
  }
  if (report.site_gave_up) {
    std::fprintf(stderr, "lorevane-cli: the site kept failing, so the download stopped asking; what was stored stays\n");
  }
  if (report.stopped) std::fprintf(stderr, "lorevane-cli: stopped; what was stored stays\n");
  for (const auto& missing : report.missing) {
    std::fprintf(stderr, "lorevane-cli: chapter %d missing (%s): %s\n", missing.index + 1, missing.address.c_str(),
                 lv::base::english(missing.failure).c_str());
  }
  return report;
}

bool complete(const lv::routines::BookDownloadReport& report) {
  return report.known && report.chapters > 0 && report.missing.empty() && !report.stopped &&
         !report.empty_list_ignored;
}

int jobs_option(Args& args) {
  const auto jobs = args.take_int("--jobs");
  return jobs ? check_jobs(*jobs) : 4;
}

}  // namespace

int run_download(const Globals& globals, Args args) {
  const int jobs = jobs_option(args);
  const auto positional = args.positionals(1, "lorevane-cli download BOOK_URL [--jobs N]");
  const std::string url = site_url(globals, positional[0]);
  lv::library::Library library = lv::library::Library::open(library_path(globals));
  const auto report = fetch_book(globals, url, library, jobs);
  std::printf("{\"book\":%s,\"title\":%s,\"chapters\":%d,\"stored\":%d,\"fetched\":%d,\"failed\":%d,\"seconds\":%.3f}\n",
              json_gbk(report.book).c_str(), json_gbk(report.title).c_str(), report.chapters, report.stored,
              report.fetched, report.failed, report.seconds);
  return complete(report) ? 0 : kExitIncomplete;
}

int run_export(const Globals& globals, Args args) {
  const bool offline = args.take_flag("--offline");
  const auto format = args.take_value("--format");
  const auto output = args.take_value("--output");
  const auto encoding = args.take_value("--encoding");
  const int jobs = jobs_option(args);
  const char* usage =
      "lorevane-cli export BOOK_URL --format epub|txt --output PATH [--offline] [--encoding utf-8|gbk] [--jobs N]";
  const auto positional = args.positionals(1, usage);
  if (!format || (*format != "epub" && *format != "txt")) throw UsageError(std::string("--format must be epub or txt; usage: ") + usage);
  if (!output || output->empty()) throw UsageError(std::string("--output PATH is needed; usage: ") + usage);
  lv::exporting::TextEncoding text_encoding = lv::exporting::TextEncoding::utf8;
  if (encoding) {
    if (*format != "txt") throw UsageError("--encoding is for --format txt");
    if (*encoding == "gbk") text_encoding = lv::exporting::TextEncoding::gbk;
    else if (*encoding != "utf-8") throw UsageError("--encoding must be utf-8 or gbk");
  }
  const std::string url = site_url(globals, positional[0]);
  // Refused before anything is downloaded: the library itself, a device, a FIFO, a folder.
  const auto problem = lv::exporting::target_problem(*output, library_path(globals));
  if (problem != lv::exporting::TargetProblem::none) {
    std::fprintf(stderr, "lorevane-cli: %s\n", lv::exporting::target_problem_text(problem, *output).c_str());
    return 1;
  }
  std::optional<lv::library::Library> library;
  bool page_as_expected = true;  // the book page did not come out empty
  if (offline) {
    library = open_library_for_reading(globals);
  } else {
    library.emplace(lv::library::Library::open(library_path(globals)));
    const auto report = fetch_book(globals, url, *library, jobs);
    if (report.stopped) return kExitIncomplete;  // asked to stop: nothing more is written
    page_as_expected = !report.empty_list_ignored;
  }

  const auto book = library ? library->book(url, true) : std::nullopt;
  if (!book) {
    std::fprintf(stderr, "lorevane-cli: %s is not in the library%s\n", url.c_str(),
                 offline ? " (download it first, or leave out --offline)" : "");
    return kExitIncomplete;
  }
  try {
    if (*format == "epub") {
      lv::exporting::write_epub(*book, *output);
    } else {
      lv::exporting::write_txt(*book, *output, text_encoding);
    }
  } catch (const lv::exporting::NoChaptersError&) {
    std::fprintf(stderr, "lorevane-cli: %s has no chapters; nothing was written\n", url.c_str());
    return kExitIncomplete;
  } catch (const lv::exporting::ExportError& error) {
    std::fprintf(stderr, "lorevane-cli: %s\n", error.what());
    return 1;
  }
  const std::size_t missing = lv::exporting::missing_chapters(*book);
  if (missing > 0) {
    std::fprintf(stderr, "lorevane-cli: %zu of %zu chapters are missing from %s; each says so in the file\n", missing,
                 book->chapters.size(), output->c_str());
  }
  std::printf("{\"book\":%s,\"output\":%s,\"format\":%s,\"chapters\":%zu,\"missing\":%zu}\n",
              json_gbk(book->book).c_str(), json_string(*output).c_str(), json_string(*format).c_str(),
              book->chapters.size(), missing);
  return missing == 0 && page_as_expected ? 0 : kExitIncomplete;
}

int run_library(const Globals& globals, Args args) {
  args.positionals(0, "lorevane-cli library");
  const auto library = open_library_for_reading(globals);
  if (!library) return 0;  // no library yet: no books
  const lv::base::Text& label = lv::routines::rules_in_force()->book_page.author.label;
  for (const auto& book : library->books()) {
    // The author as a name, without the label the window shows before it.
    const std::string_view author = std::string_view(book.author).starts_with(label)
                                        ? std::string_view(book.author).substr(label.size())
                                        : std::string_view(book.author);
    std::printf("{\"book\":%s,\"title\":%s,\"author\":%s,\"chapters\":%d,\"stored\":%d,\"missing\":%d}\n",
                json_gbk(book.book).c_str(), json_gbk(book.title).c_str(), json_gbk(author).c_str(),
                book.chapters, book.stored, book.missing);
  }
  return 0;
}

}  // namespace lv::cli
