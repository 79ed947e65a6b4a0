#include "cli/progress_display.h"

#include <unistd.h>

#include <string>

namespace lv::cli {

namespace {

std::string clock_text(double seconds) {
  if (seconds < 0 || seconds > 359999) return "--:--";
  const long s = static_cast<long>(seconds + 0.5);
  char text[64];
  if (s >= 3600) {
    std::snprintf(text, sizeof text, "%ld:%02ld:%02ld", s / 3600, s / 60 % 60, s % 60);
  } else {
    std::snprintf(text, sizeof text, "%ld:%02ld", s / 60, s % 60);
  }
  return text;
}

// "120/1669 chapters, 45.2 chapters/s, 0:34 left"
std::string describe(const lv::routines::BookDownloadOptions::Progress& p) {
  const double seconds = std::chrono::duration<double>(p.elapsed).count();
  const int tried = p.fetched + p.failed;
  const double speed = seconds > 0 ? tried / seconds : 0;
  const int left = p.total - p.stored - p.failed;
  char text[160];
  std::snprintf(text, sizeof text, "%d/%d chapters, %.1f chapters/s, %s left%s", p.stored, p.total, speed,
                speed > 0 ? clock_text(left / speed).c_str() : "--:--",
                p.failed > 0 ? (", " + std::to_string(p.failed) + " failed").c_str() : "");
  return text;
}

}  // namespace

ProgressDisplay::ProgressDisplay(std::FILE* out) : out_(out), terminal_(::isatty(::fileno(out)) == 1) {}

void ProgressDisplay::update(const lv::routines::UpdateProgress& p) {
  books_ = std::to_string(p.books_done) + "/" + std::to_string(p.books) + " books, ";
  update(lv::routines::BookDownloadOptions::Progress{p.chapters, p.stored, p.fetched, p.failed, p.bytes, p.elapsed});
}

void ProgressDisplay::update(const lv::routines::BookDownloadOptions::Progress& progress) {
  last_ = progress;
  if (terminal_) {
    constexpr int kWidth = 30;
    const int filled = progress.total > 0 ? kWidth * progress.stored / progress.total : kWidth;
    std::string bar(static_cast<std::size_t>(filled), '#');
    bar.resize(kWidth, '-');
    std::fprintf(out_, "\r[%s] %s%s\x1b[K", bar.c_str(), books_.c_str(), describe(progress).c_str());
    std::fflush(out_);
    shown_ = true;
    return;
  }
  const auto now = std::chrono::steady_clock::now();
  if (shown_ && now - last_line_ < std::chrono::seconds(1)) return;
  printed_ = books_ + describe(progress);
  std::fprintf(out_, "lorevane-cli: %s\n", printed_.c_str());
  last_line_ = now;
  shown_ = true;
}

void ProgressDisplay::finish() {
  if (terminal_) {
    if (shown_) std::fputc('\n', out_);
  } else if (const std::string line = books_ + describe(last_); line != printed_) {
    std::fprintf(out_, "lorevane-cli: %s\n", line.c_str());
  }
  std::fflush(out_);
}

}  // namespace lv::cli
