// lorevane-cli: the program's core from a terminal.
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "cli/signal_watch.h"
#include "library/library.h"
#include "routines/rules_file.h"
#include "routines/rules_in_force.h"
#include "routines/site.h"
#include "sample_site/sample_server.h"

namespace {

constexpr const char* kUsage =
    "usage: lorevane-cli [--site HOST[:PORT]] [--demo] [--rules FILE] [--library FILE] COMMAND ...\n"
    "commands:\n"
    "  cut FILE START END [--from N] [--case-sensitive|--ignore-case] [--first]\n"
    "      [--max-length N] [--prefix P] [--suffix S] [--keep-start] [--keep-end]\n"
    "  get URL [--bytes|--fetch]\n"
    "  collect [--pages FIRST-LAST] [--jobs N]\n"
    "  info BOOK_URL [--fetch]\n"
    "  chapters BOOK_URL\n"
    "  read BOOK_URL INDEX\n"
    "  download BOOK_URL [--jobs N]      the whole book into the library\n"
    "  export BOOK_URL --format epub|txt --output PATH [--offline] [--encoding utf-8|gbk]\n"
    "  library                           the books in the library\n"
    "A URL that begins with / is taken on the site host. --rules cuts pages by the\n"
    "site rules of FILE (JSON, as the rules dialog saves them) instead of the built-in ones.\n"
    "Exit status: 0 complete, 2 usage, 3 finished with something missing (named on\n"
    "standard error), 1 any other failure.\n";

int run(int argc, char** argv, lv::cli::SignalWatch& signals) {
  std::vector<std::string> args(argv + 1, argv + argc);
  if (args.empty() || args[0] == "--help" || args[0] == "-h") {
    std::fputs(kUsage, args.empty() ? stderr : stdout);
    return args.empty() ? 2 : 0;
  }
  lv::cli::Globals globals;
  globals.site_host = lv::routines::kDefaultSiteHost;
  globals.signals = &signals;

  // Global options stand before the command.
  std::size_t at = 0;
  bool demo = false;
  bool site_given = false;
  while (at < args.size() && args[at].rfind("--", 0) == 0) {
    if (args[at] == "--demo") {
      demo = true;
      ++at;
    } else if (args[at] == "--site") {
      if (at + 1 >= args.size() || args[at + 1].empty()) throw lv::cli::UsageError("--site needs HOST[:PORT]");
      globals.site_host = args[at + 1];
      site_given = true;
      at += 2;
    } else if (args[at] == "--library") {
      if (at + 1 >= args.size() || args[at + 1].empty()) throw lv::cli::UsageError("--library needs FILE");
      globals.library_path = args[at + 1];
      at += 2;
    } else if (args[at] == "--rules") {
      if (at + 1 >= args.size() || args[at + 1].empty()) throw lv::cli::UsageError("--rules needs FILE");
      try {
        lv::scrape::SiteRules rules = lv::routines::load_rules_file(args[at + 1]);
        // The rules' own host serves when the command line names none.
        if (!rules.site_host.empty() && !site_given) globals.site_host = rules.site_host;
        lv::routines::put_rules_in_force(std::move(rules));
      } catch (const lv::routines::RulesError& error) {
        throw lv::cli::UsageError(std::string("rules refused: ") + error.what());
      }
      at += 2;
    } else {
      throw lv::cli::UsageError("unknown option " + args[at]);
    }
  }
  if (at >= args.size()) throw lv::cli::UsageError("no command given");
  const std::string command = args[at];
  lv::cli::Args rest(std::vector<std::string>(args.begin() + static_cast<long>(at) + 1, args.end()));

  std::unique_ptr<lv::site::SampleServer> server;
  if (demo) {
    server = std::make_unique<lv::site::SampleServer>();
    if (!server->start()) {
      std::fprintf(stderr, "lorevane-cli: the sample site could not start\n");
      return 1;
    }
    globals.site_host = server->site_host();
  }

  if (command == "cut") return lv::cli::run_cut(std::move(rest));
  if (command == "get") return lv::cli::run_get(globals, std::move(rest));
  if (command == "collect") return lv::cli::run_collect(globals, std::move(rest));
  if (command == "info") return lv::cli::run_info(globals, std::move(rest));
  if (command == "chapters") return lv::cli::run_chapters(globals, std::move(rest));
  if (command == "read") return lv::cli::run_read(globals, std::move(rest));
  if (command == "download") return lv::cli::run_download(globals, std::move(rest));
  if (command == "export") return lv::cli::run_export(globals, std::move(rest));
  if (command == "library") return lv::cli::run_library(globals, std::move(rest));
  throw lv::cli::UsageError("unknown command " + command);
}

}  // namespace

int main(int argc, char** argv) {
  // Before any thread starts, so that only the watcher receives the signals.
  lv::cli::SignalWatch signals;
  try {
    return run(argc, argv, signals);
  } catch (const lv::cli::UsageError& error) {
    std::fprintf(stderr, "lorevane-cli: %s\n", error.what());
    return 2;
  } catch (const lv::library::LibraryError& error) {
    std::fprintf(stderr, "lorevane-cli: %s\n", error.what());
    return 1;
  } catch (const std::exception& error) {
    std::fprintf(stderr, "lorevane-cli: %s\n", error.what());
    return 1;
  }
}
