#pragma once
// The chapter links of a book page.
#include <string_view>
#include <vector>

#include "scrape/extract.h"
#include "scrape/site_rules.h"

namespace lv::scrape {

// One chapter link: its target, relative to the book address, as the page
// writes it, and its title attribute as shown (references decoded).
struct ChapterLink {
  Text title;
  Text address;
  friend bool operator==(const ChapterLink&, const ChapterLink&) = default;
};

struct ChapterList {
  Text book_title;                    // between "<h1>" and "</h1>", untrimmed, references decoded
  std::vector<ChapterLink> chapters;  // in page order
};

// Each chapter link gives one chapter whose address and title both come from
// that link, whatever its title says: the address is cut by the address
// markers, the title by the title markers within the same link (from the
// address on, before the next address start marker). A link without a title
// gives an empty one. The list ends where the address cut ends (no start or
// end marker, or an address that trims to nothing).
ChapterList parse_chapter_list(std::string_view body, const ChapterListRules& rules = built_in_rules().chapter_list);

}  // namespace lv::scrape
