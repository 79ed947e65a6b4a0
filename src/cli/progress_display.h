#pragma once
// Download progress on standard error: a live bar on a terminal, otherwise
// at most one line a second, so a log stays readable.
#include <chrono>
#include <cstdio>
#include <string>

#include "routines/download_book.h"

namespace lv::cli {

class ProgressDisplay final {
 public:
  explicit ProgressDisplay(std::FILE* out);
  void update(const lv::routines::BookDownloadOptions::Progress& progress);
  // Several books: the books done of all lead the line.
  void update(const lv::routines::UpdateProgress& progress);
  // Ends the bar's line (and writes the last state when a line was held back).
  void finish();

 private:
  std::FILE* out_;
  bool terminal_;
  bool shown_ = false;
  std::chrono::steady_clock::time_point last_line_{};
  lv::routines::BookDownloadOptions::Progress last_{};
  std::string books_;  // "12/500 books, " while several books are brought up to date
  std::string printed_;  // the last line written, when not on a terminal
};

}  // namespace lv::cli
