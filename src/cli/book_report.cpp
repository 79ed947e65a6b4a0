#include "cli/book_report.h"

#include <cstdio>

namespace lv::cli {

void say_what_is_missing(const lv::routines::BookUpdate& book) {
  if (book.book_page_failure.failed()) {
    std::fprintf(stderr, "lorevane-cli: the book page %s could not be fetched: %s%s\n", book.book.c_str(),
                 lv::base::english(book.book_page_failure).c_str(),
                 book.known ? " (the stored chapter list is used)" : "");
  }
  if (book.empty_list_ignored) {
    std::fprintf(stderr,
                 "lorevane-cli: the book page %s lists no chapters, but the library holds %d; the library "
                 "was left as it was (has the site's layout changed?)\n",
                 book.book.c_str(), book.chapters);
  } else if (book.known && book.chapters == 0) {
    std::fprintf(stderr, "lorevane-cli: the book page %s lists no chapters\n", book.book.c_str());
  }
  for (const auto& missing : book.missing) {
    std::fprintf(stderr, "lorevane-cli: chapter %d missing (%s): %s\n", missing.index + 1, missing.address.c_str(),
                 lv::base::english(missing.failure).c_str());
  }
}

}  // namespace lv::cli
