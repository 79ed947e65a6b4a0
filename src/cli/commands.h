#pragma once
// The commands of lorevane-cli. Each adds itself, with its arguments and
// options, to the command line; what it returns runs it once the command
// line has been read, writes the results to standard output and gives the
// exit code. A usage error found only then is thrown as UsageError.
#include <functional>
#include <stdexcept>
#include <string>

namespace CLI {
class App;
}

namespace lv::cli {

// Finished, but something asked for is missing (named on standard error).
inline constexpr int kExitIncomplete = 3;
inline constexpr int kExitUsage = 2;

// Ends the program with exit code 2 and its one-line message.
struct UsageError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

class SignalWatch;

struct Globals {
  std::string site_host;     // host[:port] of the site
  std::string library_path;  // "" for the default library
  SignalWatch* signals = nullptr;  // for commands that stop cleanly on a signal
};

// A URL that begins with "/" is taken on the site host.
std::string site_url(const Globals& globals, const std::string& url);
// The library file the commands use: --library, or the default one.
std::string library_file(const Globals& globals);

using CommandRun = std::function<int()>;

CommandRun add_cut(CLI::App& cli);
CommandRun add_get(CLI::App& cli, const Globals& globals);
CommandRun add_collect(CLI::App& cli, const Globals& globals);
CommandRun add_info(CLI::App& cli, const Globals& globals);
CommandRun add_chapters(CLI::App& cli, const Globals& globals);
CommandRun add_read(CLI::App& cli, const Globals& globals);
CommandRun add_download(CLI::App& cli, const Globals& globals);
CommandRun add_export(CLI::App& cli, const Globals& globals);
CommandRun add_library(CLI::App& cli, const Globals& globals);
CommandRun add_update(CLI::App& cli, const Globals& globals);
CommandRun add_remove(CLI::App& cli, const Globals& globals);
CommandRun add_search(CLI::App& cli, const Globals& globals);

// --jobs N: transfers to the site at a time, 1 to 16 (4 when not given).
void add_jobs_option(CLI::App& command, int& jobs);

}  // namespace lv::cli
