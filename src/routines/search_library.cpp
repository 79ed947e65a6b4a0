#include "routines/search_library.h"

#include <vector>

#include "base/text_search.h"

namespace lv::routines {

namespace {

// Where each character begins, walking from the start (a byte of 0x80 or
// above takes the next byte along), up to `end`.
std::vector<std::size_t> character_starts(std::string_view text, std::size_t end) {
  std::vector<std::size_t> starts;
  for (std::size_t i = 0; i < end && i < text.size();) {
    starts.push_back(i);
    i += static_cast<unsigned char>(text[i]) >= 0x80 && i + 1 < text.size() ? 2 : 1;
  }
  return starts;
}

}  // namespace

lv::base::Text snippet_around(std::string_view text, std::size_t at, std::size_t length, int context) {
  const std::size_t reach = static_cast<std::size_t>(context) * 2;  // a character is at most two bytes
  const std::vector<std::size_t> before = character_starts(text, at);
  const std::size_t from = before.size() > static_cast<std::size_t>(context)
                               ? before[before.size() - static_cast<std::size_t>(context)]
                               : 0;
  std::size_t to = at + length;
  for (int n = 0; n < context && to < text.size() && to < at + length + reach; ++n) {
    to += static_cast<unsigned char>(text[to]) >= 0x80 && to + 1 < text.size() ? 2 : 1;
  }
  // Line ends and runs of blanks shown as one space; nothing at either end.
  lv::base::Text snippet;
  for (const char c : text.substr(from, to - from)) {
    const bool blank = c == ' ' || c == '\r' || c == '\n' || c == '\t';
    if (!blank) {
      snippet.push_back(c);
    } else if (!snippet.empty() && snippet.back() != ' ') {
      snippet.push_back(' ');
    }
  }
  while (!snippet.empty() && snippet.back() == ' ') snippet.pop_back();
  return snippet;
}

int search_library(const lv::library::Library& library, const lv::base::Text& sought, const SearchOptions& options,
                   const std::function<bool(const SearchHit&)>& hit) {
  if (sought.empty()) return 0;
  int found = 0;
  library.visit_texts(options.book, [&](const lv::library::TextVisit& v) {
    if (options.stop.stop_requested()) return false;
    for (std::size_t from = 0; from < v.text.size();) {
      const std::size_t at = lv::base::detail::search(v.text, sought, from, true);
      if (at == lv::base::detail::npos) break;
      // The walk that decides where characters begin starts at the text's
      // start, so each next search starts on a character boundary.
      SearchHit h{std::string(v.book), lv::base::Text(v.book_title), v.index, lv::base::Text(v.chapter_title), at,
                  snippet_around(v.text, at, sought.size(), options.context)};
      ++found;
      if (!hit(h) || (options.limit > 0 && found >= options.limit)) return false;
      from = at + sought.size();
    }
    return true;
  });
  return found;
}

}  // namespace lv::routines
