#pragma once
// A book's chapter list as stored, brought together with the list the site
// shows now. Chapters are matched by address, so nothing stored is lost: a
// chapter the site no longer lists stays, marked removed, right after the
// chapter it followed; a chapter with a new title keeps its text and takes
// the title; new chapters come in the site's order. The one thing let go is
// an entry that was never a chapter: markup that an older chapter list cut
// as an address, with no text stored under it.
#include <cstdint>
#include <string_view>
#include <vector>

#include "base/text.h"

namespace lv::library {

struct ListedChapter {
  lv::base::Text title;
  lv::base::Text address;
  bool removed = false;          // the site no longer lists it
  std::int64_t listed_at = 0;    // when it first appeared in the list; 0 for one new now
  bool has_text = false;         // its text is stored (kept with the entry of the same address)
  friend bool operator==(const ListedChapter&, const ListedChapter&) = default;
};

struct MergedList {
  std::vector<ListedChapter> chapters;
  int added = 0;     // in the site's list, not stored before
  int removed = 0;   // stored and listed before, no longer on the site
  int renamed = 0;   // listed before and now, under another title
  bool changed = false;  // the merged list differs from the stored one
  std::vector<lv::base::Text> dropped;  // addresses of stored entries let go (see above)
};

// Whether a stored address is markup rather than a link's target: an
// address ran on past its link's closing quote into the markup after it.
// A link's target, written between double quotes, never holds a quote, a
// '<' or a line break.
bool is_run_on_address(std::string_view address);

MergedList merge_chapter_lists(const std::vector<ListedChapter>& stored, const std::vector<ListedChapter>& site);

}  // namespace lv::library
