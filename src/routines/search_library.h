#pragma once
// Looking for a text in the chapters the library holds, with the program's
// own search: ASCII letters matched without case, as the markers are, and a
// match only where a character begins. No index is kept; the stored texts
// are walked as they are.
#include <cstddef>
#include <functional>
#include <stop_token>
#include <string>

#include "base/text.h"
#include "library/library.h"

namespace lv::routines {

struct SearchHit {
  std::string book;
  lv::base::Text book_title;
  int index = 0;                 // the chapter's place in the book's list
  lv::base::Text chapter_title;
  std::size_t offset = 0;        // where the match begins in the chapter's text (bytes)
  lv::base::Text snippet;        // the match with up to 30 characters each side, blanks run together
};

struct SearchOptions {
  std::string book;              // only this book; "" for the whole library
  int limit = 0;                 // at most this many hits; 0 for all
  int context = 30;              // characters each side in the snippet
  std::stop_token stop;
};

// Calls `hit` for every match in list order (the walk ends when it returns
// false); returns how many there were.
int search_library(const lv::library::Library& library, const lv::base::Text& sought, const SearchOptions& options,
                   const std::function<bool(const SearchHit&)>& hit);

// The windows list at most this many hits: a search for a common word
// stops there instead of filling a list no one reads to its end.
inline constexpr int kHitsListed = 500;

}  // namespace lv::routines
