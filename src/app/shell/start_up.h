#pragma once
// The program's start: options, the application object, the shared state,
// the windows and the message loop.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/text.h"

class QMessageBox;
class QWidget;

namespace lv::app {

struct StartOptions {
  lv::base::Text site_host;  // empty: the default site host
  bool demo = false;         // serve the bundled sample site in-process
  bool bookshelf = false;    // open the bookshelf beside the main window
  // For tools and tests that drive the program from outside:
  bool collect_at_start = false;    // press "开始采集" once the window shows
  int collect_runs = 1;             // and again when a collection ends, this many times in all
  int close_after_rows = -1;        // close the main window once it holds this many rows
  bool close_when_collected = false;
  bool trace = false;               // count-label ticks and collection times to standard error
  int last_page = -1;               // the collection's last listing page (-1: all)
};

struct ParsedOptions {
  std::optional<StartOptions> options;  // none on a usage error or --help
  std::string message;                  // the error and the usage, or the usage for --help
  bool help = false;
};

// Arguments after the program name, with the toolkit's own already taken out.
ParsedOptions parse_start_options(const std::vector<std::string>& args);
// HOST[:PORT]: letters, digits, dots and hyphens, and a port of 1 to 65535.
bool valid_site_host(std::string_view host);

struct AppContext;

// Reads the library once at start: a file that cannot serve is said in a
// message box that does not block (and on standard error), and the program
// goes on without a library (the context's path is cleared). Returns the box,
// or nullptr when the library is fine or not there yet.
QMessageBox* check_library_at_start(AppContext& context, QWidget* parent);

// Runs the program; returns only if the message loop ends without the main
// window closing (closing it ends the process with exit code 0).
int run_program(int& argc, char** argv);

}  // namespace lv::app
