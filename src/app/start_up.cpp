#include "app/start_up.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QIcon>
#include <QTimer>
#include <charconv>
#include <cstdio>
#include <fstream>
#include <memory>

#include "app/app_context.h"
#include "app/book_info_window.h"
#include "app/main_window.h"
#include "app/reader_window.h"
#include "app/rules_store.h"
#include "app/services.h"
#include "app/translations.h"
#include "app/ui_thread.h"
#include "app/units/report_list.h"
#include "base/program_end.h"
#include "library/library.h"
#include "net/scheduler.h"
#include "routines/shared_state.h"
#include "routines/site.h"
#include "sample_site/sample_server.h"

namespace lv::app {

const char* const kUsage =
    "usage: lorevane [--site HOST[:PORT]] [--demo]\n"
    "  --site HOST[:PORT]   the site every request goes to\n"
    "  --demo               serve the bundled sample site on 127.0.0.1 and use it\n"
    "options for tools and tests:\n"
    "  --collect            start a collection once the window shows\n"
    "  --runs N             with --collect: N collections one after the other\n"
    "  --pages LAST         collect listing pages 1 to LAST only\n"
    "  --close-after-rows N close the main window once the book list holds N rows\n"
    "  --close-when-collected  close the main window when the collection ends\n"
    "  --trace              count-label ticks, collection time and memory to standard error\n";

namespace {

bool parse_int(std::string_view text, int& value) {
  const char* end = text.data() + text.size();
  const auto [at, error] = std::from_chars(text.data(), end, value);
  return error == std::errc() && at == end;
}

ParsedOptions usage_error(const std::string& message) {
  ParsedOptions parsed;
  parsed.message = "lorevane: " + message + "\n" + kUsage;
  return parsed;
}

// Resident memory in KiB from /proc, -1 where that is not available.
long resident_kib() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("VmRSS:", 0) == 0) return std::strtol(line.c_str() + 6, nullptr, 10);
  }
  return -1;
}

}  // namespace

bool valid_site_host(std::string_view host) {
  const std::size_t colon = host.find(':');
  const std::string_view name = host.substr(0, colon);
  if (name.empty() || name.size() > 253) return false;
  for (char c : name) {
    const bool ok = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' || c == '-';
    if (!ok) return false;
  }
  if (colon == std::string_view::npos) return true;
  int port = 0;
  return parse_int(host.substr(colon + 1), port) && port >= 1 && port <= 65535;
}

ParsedOptions parse_start_options(const std::vector<std::string>& args) {
  StartOptions options;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    const auto value = [&](std::string& out) {
      if (i + 1 >= args.size()) return false;
      out = args[++i];
      return true;
    };
    std::string text;
    if (arg == "--help" || arg == "-h") {
      ParsedOptions parsed;
      parsed.help = true;
      parsed.message = kUsage;
      return parsed;
    } else if (arg == "--demo") {
      options.demo = true;
    } else if (arg == "--site" || arg.rfind("--site=", 0) == 0) {
      if (arg == "--site") {
        if (!value(text)) return usage_error("--site needs HOST[:PORT]");
      } else {
        text = arg.substr(7);
      }
      if (!valid_site_host(text)) return usage_error("not a site host: " + text);
      options.site_host = text;
    } else if (arg == "--collect") {
      options.collect_at_start = true;
    } else if (arg == "--close-when-collected") {
      options.close_when_collected = true;
    } else if (arg == "--trace") {
      options.trace = true;
    } else if (arg == "--close-after-rows") {
      if (!value(text) || !parse_int(text, options.close_after_rows) || options.close_after_rows < 0) {
        return usage_error("--close-after-rows needs a count");
      }
    } else if (arg == "--runs") {
      if (!value(text) || !parse_int(text, options.collect_runs) || options.collect_runs < 1) {
        return usage_error("--runs needs a count");
      }
    } else if (arg == "--pages") {
      if (!value(text) || !parse_int(text, options.last_page) || options.last_page < 1) {
        return usage_error("--pages needs the last page number");
      }
    } else {
      return usage_error("unknown option " + arg);
    }
  }
  ParsedOptions parsed;
  parsed.options = options;
  return parsed;
}

int run_program(int& argc, char** argv) {
  // --help is answered before the toolkit looks for a display.
  if (const ParsedOptions early = parse_start_options(std::vector<std::string>(argv + 1, argv + argc)); early.help) {
    std::fputs(early.message.c_str(), stdout);
    return 0;
  }
  QApplication app(argc, argv);  // takes its own options out of argv

  const ParsedOptions parsed = parse_start_options(std::vector<std::string>(argv + 1, argv + argc));
  if (!parsed.options) {
    std::fputs(parsed.message.c_str(), parsed.help ? stdout : stderr);
    return parsed.help ? 0 : 2;
  }
  const StartOptions& options = *parsed.options;

  // Names the configuration folder the rules file is kept in.
  QCoreApplication::setApplicationName(QStringLiteral("lorevane"));
  // Ties the windows to the installed menu entry and icon.
  QGuiApplication::setDesktopFileName(QStringLiteral("lorevane"));
  QApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral("lorevane")));
  install_chinese_translation(app);
  // The saved rules' site host serves when the command line names none.
  const lv::base::Text saved_host = load_saved_rules();

  // Lives until the process ends; the windows and workers refer to it.
  static std::unique_ptr<lv::site::SampleServer> sample_server;
  lv::base::Text site_host = !options.site_host.empty() ? options.site_host
                             : !saved_host.empty()      ? saved_host
                                                        : lv::base::Text(lv::routines::kDefaultSiteHost);
  if (options.demo) {
    sample_server = std::make_unique<lv::site::SampleServer>();
    if (!sample_server->start()) {
      std::fputs("lorevane: the sample site could not start\n", stderr);
      return 1;
    }
    site_host = sample_server->site_host();
  }

  install_ui_event_pump();
  install_runtime_error_presenter();

  // Never destroyed: workers may still use it while the process ends.
  auto* state = new lv::routines::SharedState;
  lv::base::register_cleanup([state] { state->release(); });

  static AppContext context;
  context.site_host = site_host;
  context.state = state;
  context.library_path = lv::library::default_library_path();
  // One scheduler for every collection and whole-book download of the run.
  auto* scheduler = new lv::net::Scheduler(lv::net::Scheduler::Options{4});
  context.scheduler = scheduler;

  // What the main window's creation sets up.
  state->set_book_id_counter("0");
  set_visual_style(1);

  auto* main_window = new MainWindow(context);
  auto* info_window = new BookInfoWindow(context);  // hidden until an info action

  context.selected_row = [main_window] { return main_window->book_list().selected_row(); };
  context.selected_book_address = [main_window] {
    const ReportList& list = main_window->book_list();
    return list.list_view_cell_text(list.selected_row(), 3);
  };
  context.show_book_info = [info_window] { info_window->show_book_info(); };
  context.raise_book_info = [info_window] { info_window->bring_to_front(); };
  context.open_reader = [] { open_reader(context); };

  main_window->set_close_action([] { lv::base::end_program(0); });
  // The end of the program waits for no download longer than one transfer's
  // cancellation: the work the windows started stops first, then the scheduler.
  lv::base::register_cleanup([main_window, scheduler] {
    main_window->end_work();
    delete scheduler;
  });
  if (options.last_page > 0) main_window->set_page_range(1, options.last_page);

  if (options.close_after_rows >= 0) {
    QObject::connect(main_window, &MainWindow::rows_added, main_window, [main_window, limit = options.close_after_rows](int total) {
      if (total >= limit) main_window->close();
    });
  }
  if (options.trace) {
    auto clock = std::make_shared<QElapsedTimer>();
    clock->start();
    main_window->set_tick_observer([clock](int rows) {
      std::fprintf(stderr, "tick %lld %d\n", static_cast<long long>(clock->elapsed()), rows);
    });
    QObject::connect(main_window, &MainWindow::collection_finished, main_window, [clock, main_window] {
      std::fprintf(stderr, "collected %lld %d rss_kib %ld\n", static_cast<long long>(clock->elapsed()),
                   main_window->book_list().list_view_row_count(), resident_kib());
    });
  }
  if (options.collect_at_start) {
    auto runs_left = std::make_shared<int>(options.collect_runs - 1);
    QObject::connect(main_window, &MainWindow::collection_finished, main_window,
                     [main_window, runs_left, close = options.close_when_collected] {
                       if (*runs_left > 0) {
                         --*runs_left;
                         main_window->start_collection();
                       } else if (close) {
                         main_window->close();
                       }
                     }, Qt::QueuedConnection);
  }

  centre_on_screen(*main_window);
  main_window->show();
  if (options.collect_at_start) {
    QTimer::singleShot(0, main_window, [main_window] { main_window->start_collection(); });
  }

  const int code = QApplication::exec();
  lv::base::end_program(code);
}

}  // namespace lv::app
