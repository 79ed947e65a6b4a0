#pragma once
// The site's rules: every marker the four page parsers cut by, with where
// each search starts, whether it minds letter case, and the cleaning that
// follows. The built-in rules are the ones the site family was written for;
// a user whose site changed its layout edits a copy.
#include <optional>
#include <string>
#include <vector>

#include "base/text.h"

namespace lv::scrape {

using lv::base::Text;

// One marker pair. In a marker "{host}" stands for the site host and, in the
// cover marker, "{name}" for the book's name.
struct CutRule {
  Text start;
  Text end;
  int from = 1;                // 1-based byte position the search starts at
  bool case_sensitive = true;  // false: ASCII letters match in either case
  friend bool operator==(const CutRule&, const CutRule&) = default;
};

// One find-and-replace step of a cleaning.
struct ReplaceRule {
  Text find;
  Text replacement;
  int count = 0;               // 0: every occurrence
  bool case_sensitive = false;
  friend bool operator==(const ReplaceRule&, const ReplaceRule&) = default;
};

struct ListingRules {
  CutRule titles;
  Text title_prefix;           // put around each title in the book list
  Text title_suffix;
  CutRule addresses;
  CutRule latest;
  Text category;               // the book list's category column
  friend bool operator==(const ListingRules&, const ListingRules&) = default;
};

// A labelled value: the label is put back in front of what was cut, so the
// window reads the same with or without a value.
struct LabelledRule {
  CutRule cut;
  Text label;
  friend bool operator==(const LabelledRule&, const LabelledRule&) = default;
};

struct BookPageRules {
  CutRule name;
  CutRule cover;
  LabelledRule author;
  LabelledRule category;
  LabelledRule status;
  CutRule intro;
  std::vector<ReplaceRule> intro_cleaning;
  friend bool operator==(const BookPageRules&, const BookPageRules&) = default;
};

struct ChapterListRules {
  CutRule addresses;
  CutRule titles;
  CutRule book_title;
  friend bool operator==(const ChapterListRules&, const ChapterListRules&) = default;
};

struct ChapterTextRules {
  CutRule text;
  std::vector<ReplaceRule> cleaning;
  friend bool operator==(const ChapterTextRules&, const ChapterTextRules&) = default;
};

struct SiteRules {
  Text site_host;              // empty: the host the program was started with
  ListingRules listing;
  BookPageRules book_page;
  ChapterListRules chapter_list;
  ChapterTextRules chapter_text;
  friend bool operator==(const SiteRules&, const SiteRules&) = default;
};

// The built-in rules, exactly those of the site family.
const SiteRules& built_in_rules();

// The chapter address end marker the built-in rules had before chapters were
// taken link by link ("\" title=\"第"): it ended only links whose title
// begins with "第", and ran the address of any other on into the next link.
const Text& old_chapter_address_end();

// A marker with "{host}" and "{name}" replaced where a value is given for
// them; where none is given they stay as written.
Text fill_marker(std::string_view marker, std::optional<std::string_view> site_host,
                 std::optional<std::string_view> book_name = std::nullopt);

}  // namespace lv::scrape
