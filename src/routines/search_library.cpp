#include "routines/search_library.h"

#include <deque>

#include "base/text_search.h"

namespace lv::routines {

namespace {

std::size_t character_length(std::string_view text, std::size_t at) {
  return static_cast<unsigned char>(text[at]) >= 0x80 && at + 1 < text.size() ? 2 : 1;
}

// Where characters begin can only be told walking from the text's start (a
// byte of 0x80 or above takes the next byte along). The walk goes on from
// hit to hit, so a chapter is walked once however many hits it holds.
class CharacterWalk {
 public:
  CharacterWalk(std::string_view text, int context) : text_(text), context_(static_cast<std::size_t>(context)) {}

  // Where the character `context` characters before `at` begins; 0 when
  // fewer come before it. Hits are asked about in order.
  std::size_t context_start(std::size_t at) {
    if (context_ == 0) return at;
    while (pos_ < at && pos_ < text_.size()) {
      recent_.push_back(pos_);
      if (recent_.size() > context_) recent_.pop_front();
      pos_ += character_length(text_, pos_);
    }
    return recent_.size() == context_ ? recent_.front() : 0;
  }

 private:
  std::string_view text_;
  std::size_t context_;
  std::size_t pos_ = 0;
  std::deque<std::size_t> recent_;  // the last `context` character starts walked
};

// The snippet from byte `from` to `context` characters after the match.
lv::base::Text snippet_from(std::string_view text, std::size_t from, std::size_t at, std::size_t length, int context) {
  const std::size_t reach = static_cast<std::size_t>(context) * 2;  // a character is at most two bytes
  std::size_t to = at + length;
  for (int n = 0; n < context && to < text.size() && to < at + length + reach; ++n) to += character_length(text, to);
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

}  // namespace

int search_library(const lv::library::Library& library, const lv::base::Text& sought, const SearchOptions& options,
                   const std::function<bool(const SearchHit&)>& hit) {
  if (sought.empty()) return 0;
  int found = 0;
  library.visit_texts(options.book, [&](const lv::library::TextVisit& v) {
    if (options.stop.stop_requested()) return false;
    CharacterWalk walk(v.text, options.context);
    for (std::size_t from = 0; from < v.text.size();) {
      const std::size_t at = lv::base::detail::search(v.text, sought, from, true);
      if (at == lv::base::detail::npos) break;
      // The walk that decides where characters begin starts at the text's
      // start, so each next search starts on a character boundary.
      SearchHit h{std::string(v.book), lv::base::Text(v.book_title), v.index, lv::base::Text(v.chapter_title), at,
                  snippet_from(v.text, walk.context_start(at), at, sought.size(), options.context)};
      ++found;
      if (!hit(h) || (options.limit > 0 && found >= options.limit)) return false;
      from = at + sought.size();
    }
    return true;
  });
  return found;
}

}  // namespace lv::routines
