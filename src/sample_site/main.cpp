// lorevane-sample-site: serves the generated sample site until it is killed.
#include <pthread.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "sample_site/sample_server.h"

namespace {

void usage(std::FILE* out) {
  std::fprintf(out,
               "usage: lorevane-sample-site [--port N] [--bind ADDR] [--seed S] [--gzip] [--delay MS]\n"
               "                            [--flaky-every N] [--longest-book]\n"
               "  --port N          listen on port N (default 0: a free port the system picks)\n"
               "  --bind ADDR       listen on address ADDR (default 127.0.0.1)\n"
               "  --seed S          generate the site from seed S, 0 to 4294967295 (default %u)\n"
               "  --gzip            send every body gzip-encoded\n"
               "  --delay MS        every answer waits MS milliseconds\n"
               "  --flaky-every N   every Nth listing page drops its connection on its first request\n"
               "  --longest-book    print the path of the book with the most chapters and end\n"
               "  --help            print this text and end\n",
               static_cast<unsigned>(lv::site::SiteOptions{}.seed));
}

bool parse_int(const char* s, long min, long max, long& out) {
  char* end = nullptr;
  errno = 0;
  const long v = std::strtol(s, &end, 10);
  if (errno != 0 || end == s || *end != '\0' || v < min || v > max) return false;
  out = v;
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  long port = 0;
  std::string bind = "127.0.0.1";
  lv::site::SiteOptions options;
  bool gzip = false;
  long delay_ms = 0;
  long flaky_every = 0;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    const bool has_value = i + 1 < argc;
    long value = 0;
    if (arg == "--help" || arg == "-h") {
      usage(stdout);
      return 0;
    } else if (arg == "--port" && has_value && parse_int(argv[i + 1], 0, 65535, value)) {
      port = value;
      ++i;
    } else if (arg == "--bind" && has_value) {
      bind = argv[++i];
    } else if (arg == "--seed" && has_value && parse_int(argv[i + 1], 0, 4294967295L, value)) {
      options.seed = static_cast<std::uint32_t>(value);
      ++i;
    } else if (arg == "--longest-book") {
      const lv::site::SampleSite site(options);
      int longest = 0;
      for (int id : site.book_ids()) {
        if (longest == 0 || site.chapter_count(id) > site.chapter_count(longest)) longest = id;
      }
      std::printf("%s %d\n", lv::site::SampleSite::book_path(longest).c_str(), site.chapter_count(longest));
      return 0;
    } else if (arg == "--gzip") {
      gzip = true;
    } else if (arg == "--delay" && has_value && parse_int(argv[i + 1], 0, 600000, value)) {
      delay_ms = value;
      ++i;
    } else if (arg == "--flaky-every" && has_value && parse_int(argv[i + 1], 1, 100000, value)) {
      flaky_every = value;
      ++i;
    } else {
      usage(stderr);
      return 2;
    }
  }

  // Block the stop signals before any thread starts, so only sigwait sees them.
  sigset_t stop_signals;
  sigemptyset(&stop_signals);
  sigaddset(&stop_signals, SIGINT);
  sigaddset(&stop_signals, SIGTERM);
  sigaddset(&stop_signals, SIGHUP);
  pthread_sigmask(SIG_BLOCK, &stop_signals, nullptr);

  lv::site::SampleServer server(options);
  server.set_gzip(gzip);
  server.set_delay_all(std::chrono::milliseconds(delay_ms));
  for (long page = flaky_every; flaky_every > 0 && page <= options.listing_pages; page += flaky_every) {
    server.set_failure("/sort2/" + std::to_string(page) + ".html", lv::site::Failure::drop_connection, 1);
  }
  if (!server.start(static_cast<int>(port), bind)) {
    std::fprintf(stderr, "lorevane-sample-site: cannot listen on %s:%ld\n", bind.c_str(), port);
    return 1;
  }
  std::printf("Sample site at http://%s/sort2/1.html\n", server.site_host().c_str());
  std::fflush(stdout);
  int signal_number = 0;
  sigwait(&stop_signals, &signal_number);
  server.stop();
  return 0;
}
