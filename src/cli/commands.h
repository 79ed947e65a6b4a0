#pragma once
// The commands of lorevane-cli. Each writes its results to standard output
// and returns the exit code; a usage error is thrown as UsageError.
#include <string>

#include "cli/args.h"

namespace lv::cli {

// Finished, but something asked for is missing (named on standard error).
inline constexpr int kExitIncomplete = 3;

class SignalWatch;

struct Globals {
  std::string site_host;     // host[:port] of the site
  std::string library_path;  // "" for the default library
  SignalWatch* signals = nullptr;  // for commands that stop cleanly on a signal
};

// A URL that begins with "/" is taken on the site host.
std::string site_url(const Globals& globals, const std::string& url);

int run_cut(Args args);
int run_get(const Globals& globals, Args args);
int run_collect(const Globals& globals, Args args);
int run_info(const Globals& globals, Args args);
int run_chapters(const Globals& globals, Args args);
int run_read(const Globals& globals, Args args);
int run_download(const Globals& globals, Args args);
int run_export(const Globals& globals, Args args);
int run_library(const Globals& globals, Args args);

}  // namespace lv::cli
