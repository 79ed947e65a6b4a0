#include "app/shell/start_up.h"

#include <QApplication>
#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QElapsedTimer>
#include <QIcon>
#include <QTimer>
#include <charconv>
#include <cstdio>
#include <fstream>
#include <memory>

#include "app/shell/app_context.h"
#include "app/book_info/book_info_window.h"
#include "app/shell/library_problem.h"
#include "app/main/main_window.h"
#include "app/reader/reader_window.h"
#include "app/rules/rules_store.h"
#include "app/shell/runtime_error_box.h"
#include "app/shell/visual_style.h"
#include "app/widgets/window_placement.h"
#include "app/shell/translations.h"
#include "app/shell/event_pump.h"
#include "app/widgets/report_list.h"
#include "base/program_end.h"
#include "library/library.h"
#include "net/scheduler.h"
#include "routines/shared_state.h"
#include "routines/site.h"
#include "sample_site/demo_site.h"

namespace lv::app {

namespace {

bool parse_int(std::string_view text, int& value) {
  const char* end = text.data() + text.size();
  const auto [at, error] = std::from_chars(text.data(), end, value);
  return error == std::errc() && at == end;
}

// The program's options, described once for the parser and the usage.
struct OptionSet {
  QCommandLineOption help{{QStringLiteral("h"), QStringLiteral("help")}, QStringLiteral("show this help and end")};
  QCommandLineOption site{QStringLiteral("site"), QStringLiteral("the site every request goes to"),
                          QStringLiteral("HOST[:PORT]")};
  QCommandLineOption demo{QStringLiteral("demo"), QStringLiteral("serve the bundled sample site on 127.0.0.1 and use it")};
  QCommandLineOption bookshelf{QStringLiteral("bookshelf"), QStringLiteral("open the bookshelf (the books of the library) at start")};
  QCommandLineOption collect{QStringLiteral("collect"),
                             QStringLiteral("start a collection once the window shows")};
  QCommandLineOption runs{QStringLiteral("runs"), QStringLiteral("with --collect: N collections one after the other"),
                          QStringLiteral("N")};
  QCommandLineOption pages{QStringLiteral("pages"), QStringLiteral("collect listing pages 1 to LAST only"),
                           QStringLiteral("LAST")};
  QCommandLineOption close_after_rows{QStringLiteral("close-after-rows"),
                                      QStringLiteral("close the main window once the book list holds N rows"),
                                      QStringLiteral("N")};
  QCommandLineOption close_when_collected{QStringLiteral("close-when-collected"),
                                          QStringLiteral("close the main window when the collection ends")};
  QCommandLineOption trace{QStringLiteral("trace"),
                           QStringLiteral("count-label ticks, collection time and memory to standard error")};

  void add_to(QCommandLineParser& parser) const {
    parser.addOptions({help, site, demo, bookshelf, collect, runs, pages, close_after_rows, close_when_collected, trace});
  }
};

// The parser's help names the program by the path it was started from, or
// by a placeholder before the application exists; the usage line names it.
std::string usage(const QCommandLineParser& parser) {
  const QString text = parser.helpText();
  return "usage: lorevane [--site HOST[:PORT]] [--demo] [--bookshelf]\nThe options from --collect on are for tools and tests." +
         text.mid(text.indexOf(u'\n')).toStdString();
}

ParsedOptions usage_error(const std::string& message, const QCommandLineParser& parser) {
  ParsedOptions parsed;
  parsed.message = "lorevane: " + message + "\n" + usage(parser);
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

QMessageBox* check_library_at_start(AppContext& context, QWidget* parent) {
  try {
    if (context.library_path.empty()) context.library_path = lv::library::default_library_path();
    if (auto library = lv::library::Library::open_for_reading(context.library_path)) library->books();
    return nullptr;
  } catch (const lv::library::LibraryError& error) {
    std::fprintf(stderr, "lorevane: %s; going on without the library\n", error.what());
    context.library_path.clear();
    return show_library_problem(parent, library_problem_text(error) + QStringLiteral("\n程序不用书库继续运行。"));
  }
}

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
  QCommandLineParser parser;
  const OptionSet option;
  option.add_to(parser);
  QStringList list{QStringLiteral("lorevane")};
  for (const std::string& arg : args) list.append(QString::fromLocal8Bit(arg));
  if (!parser.parse(list)) return usage_error(parser.errorText().toStdString(), parser);
  if (parser.isSet(option.help)) {
    ParsedOptions parsed;
    parsed.help = true;
    parsed.message = usage(parser);
    return parsed;
  }
  if (!parser.positionalArguments().isEmpty()) {
    return usage_error("unknown argument " + parser.positionalArguments().constFirst().toStdString(), parser);
  }
  StartOptions options;
  const auto count = [&](const QCommandLineOption& of, int& value, int least) {
    return !parser.isSet(of) || (parse_int(parser.value(of).toStdString(), value) && value >= least);
  };
  if (parser.isSet(option.site)) {
    const std::string host = parser.value(option.site).toLocal8Bit().toStdString();
    if (!valid_site_host(host)) return usage_error("not a site host: " + host, parser);
    options.site_host = host;
  }
  options.demo = parser.isSet(option.demo);
  options.bookshelf = parser.isSet(option.bookshelf);
  options.collect_at_start = parser.isSet(option.collect);
  options.close_when_collected = parser.isSet(option.close_when_collected);
  options.trace = parser.isSet(option.trace);
  if (!count(option.close_after_rows, options.close_after_rows, 0)) {
    return usage_error("--close-after-rows needs a count", parser);
  }
  if (!count(option.runs, options.collect_runs, 1)) return usage_error("--runs needs a count", parser);
  if (!count(option.pages, options.last_page, 1)) return usage_error("--pages needs the last page number", parser);
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
    const lv::site::DemoStart started = lv::site::start_demo_site(*sample_server);
    if (started == lv::site::DemoStart::failed) {
      std::fputs("lorevane: the sample site could not start\n", stderr);
      return 1;
    }
    if (started == lv::site::DemoStart::other_port) {
      std::fprintf(stderr, "lorevane: the sample site's port %d is taken, so it runs on %d today\n",
                   lv::site::kDemoPort, sample_server->port());
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
  // One scheduler for every collection and whole-book download of the run.
  auto* scheduler = new lv::net::Scheduler(lv::net::Scheduler::Options{4});
  context.scheduler = scheduler;

  // What the main window's creation sets up.
  state->set_book_id_counter("0");
  set_visual_style(1);

  auto* main_window = new MainWindow(context);
  auto* info_window = new BookInfoWindow(context);  // hidden until an info action
  check_library_at_start(context, main_window);

  context.selected_row = [main_window] { return main_window->book_list().selected_row(); };
  context.selected_book_address = [main_window] {
    const ReportList& list = main_window->book_list();
    return list.cell_text(list.selected_row(), 3);
  };
  context.show_book_info = [info_window] { info_window->show_book_info(); };
  context.raise_book_info = [info_window] { info_window->bring_to_front(); };
  context.open_reader = [main_window] { open_reader(context, main_window); };
  context.open_library_book = [](const std::string& book, std::optional<LibraryReaderStart> start, QWidget* opener) {
    open_reader(context, opener, ReaderWindow::LibraryBook{book, start});
  };

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
                   main_window->book_list().row_count(), resident_kib());
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
  if (options.bookshelf) main_window->show_bookshelf();
  if (options.collect_at_start) {
    QTimer::singleShot(0, main_window, [main_window] { main_window->start_collection(); });
  }

  const int code = QApplication::exec();
  lv::base::end_program(code);
}

}  // namespace lv::app
