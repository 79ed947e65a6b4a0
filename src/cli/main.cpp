// lorevane-cli: the program's core from a terminal.
#include <CLI/CLI.hpp>

#include <algorithm>
#include <cstdio>
#include <map>
#include <memory>
#include <string>

#include "cli/commands.h"
#include "cli/help_format.h"
#include "cli/signal_watch.h"
#include "library/library.h"
#include "routines/rules_file.h"
#include "routines/rules_in_force.h"
#include "routines/site.h"
#include "sample_site/demo_site.h"

namespace {

constexpr const char* kDescription =
    "The novel site's books from a terminal: results as JSON lines (UTF-8) on\n"
    "standard output, progress and problems on standard error.";

constexpr const char* kFooter =
    "A URL that begins with / is taken on the site host. --rules takes the site rules\n"
    "as the rules dialog saves them (a file may name only what it changes).\n"
    "Exit status: 0 complete, 2 usage error, 3 finished with something missing\n"
    "(named on standard error), 1 any other failure.";

CLI::Validator not_empty(const char* what) {
  return CLI::Validator([what](const std::string& value) { return value.empty() ? std::string("needs ") + what : ""; },
                        "");
}

int run(int argc, char** argv, lv::cli::SignalWatch& signals) {
  lv::cli::Globals globals;
  globals.site_host = lv::routines::kDefaultSiteHost;
  globals.signals = &signals;

  // Global options stand before the command.
  CLI::App cli(kDescription, "lorevane-cli");
  auto format = std::make_shared<lv::cli::HelpFormat>();
  format->column_width(28);
  cli.formatter(format);
  cli.set_help_flag("-h,--help", "print this help and end");
  cli.footer(kFooter);
  bool demo = false;
  std::string rules_path;
  const CLI::Option* site = cli.add_option("--site", globals.site_host, "the site every request goes to")
                                ->type_name("HOST[:PORT]")
                                ->check(not_empty("HOST[:PORT]"));
  cli.add_flag("--demo", demo, "serve the bundled sample site on 127.0.0.1, use it");
  cli.add_option("--rules", rules_path, "site rules from FILE (JSON, at most 1 MiB)")
      ->type_name("FILE")
      ->check(not_empty("FILE"));
  cli.add_option("--library", globals.library_path, "the library (default: library.sqlite3 in\n$XDG_DATA_HOME/lorevane)")
      ->type_name("FILE")
      ->check(not_empty("FILE"));

  std::map<const CLI::App*, lv::cli::CommandRun> commands;
  const auto add = [&](lv::cli::CommandRun run) { commands.emplace(cli.get_subcommands({}).back(), std::move(run)); };
  add(lv::cli::add_cut(cli));
  add(lv::cli::add_get(cli, globals));
  add(lv::cli::add_collect(cli, globals));
  add(lv::cli::add_info(cli, globals));
  add(lv::cli::add_chapters(cli, globals));
  add(lv::cli::add_read(cli, globals));
  add(lv::cli::add_download(cli, globals));
  add(lv::cli::add_export(cli, globals));
  add(lv::cli::add_library(cli, globals));
  add(lv::cli::add_update(cli, globals));
  add(lv::cli::add_remove(cli, globals));
  add(lv::cli::add_search(cli, globals));

  if (argc <= 1) {
    std::fputs(cli.help().c_str(), stderr);
    return lv::cli::kExitUsage;
  }
  try {
    cli.parse(argc, argv);
  } catch (const CLI::ParseError& error) {
    if (error.get_exit_code() == 0) {
      std::fputs(cli.help().c_str(), stdout);  // --help, of the program or of the command given
      return 0;
    }
    // A word where the command should stand is no command of ours.
    const auto rest = cli.remaining();
    if (cli.get_subcommands().empty() && !rest.empty() && !rest.front().starts_with("-")) {
      throw lv::cli::UsageError("unknown command " + rest.front() + "; see lorevane-cli --help");
    }
    throw lv::cli::UsageError(error.what() + std::string("; see lorevane-cli --help"));
  }
  const auto parsed = cli.get_subcommands();
  if (parsed.empty()) throw lv::cli::UsageError("no command given");

  if (!rules_path.empty()) {
    try {
      lv::scrape::SiteRules rules = lv::routines::load_rules_file(rules_path);
      // The rules' own host serves when the command line names none.
      if (!rules.site_host.empty() && site->count() == 0) globals.site_host = rules.site_host;
      lv::routines::put_rules_in_force(std::move(rules));
    } catch (const lv::routines::RulesError& error) {
      throw lv::cli::UsageError(std::string("rules refused: ") + error.what());
    }
  }

  std::unique_ptr<lv::site::SampleServer> server;
  if (demo) {
    server = std::make_unique<lv::site::SampleServer>();
    const lv::site::DemoStart started = lv::site::start_demo_site(*server);
    if (started == lv::site::DemoStart::failed) {
      std::fprintf(stderr, "lorevane-cli: the sample site could not start\n");
      return 1;
    }
    if (started == lv::site::DemoStart::other_port) {
      std::fprintf(stderr,
                   "lorevane-cli: the sample site's port %d is taken, so it runs on %d today; books stored now "
                   "are kept under that port\n",
                   lv::site::kDemoPort, server->port());
    }
    globals.site_host = server->site_host();
  }
  return commands.at(parsed.front())();
}

}  // namespace

int main(int argc, char** argv) {
  // Before any thread starts, so that only the watcher receives the signals.
  lv::cli::SignalWatch signals;
  try {
    return run(argc, argv, signals);
  } catch (const lv::cli::UsageError& error) {
    std::string message = error.what();
    std::replace(message.begin(), message.end(), '\n', ' ');  // one line, whoever worded it
    std::fprintf(stderr, "lorevane-cli: %s\n", message.c_str());
    return lv::cli::kExitUsage;
  } catch (const lv::library::LibraryError& error) {
    std::fprintf(stderr, "lorevane-cli: %s\n", error.what());
    return 1;
  } catch (const std::exception& error) {
    std::fprintf(stderr, "lorevane-cli: %s\n", error.what());
    return 1;
  }
}
