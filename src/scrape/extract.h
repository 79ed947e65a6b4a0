#pragma once
// Cutting values out of a page between a start marker and an end marker.
#include <initializer_list>
#include <optional>
#include <string_view>
#include <vector>

#include "base/text.h"

namespace lv::scrape {

using lv::base::Text;
using ResultList = std::vector<Text>;

struct ExtractOptions {
  bool case_sensitive = false;  // false: ASCII letters folded in every search
  int max_length = 0;           // 0: no limit; a longer trimmed item ends the extraction
  Text prefix;
  Text suffix;
  bool keep_start = false;      // put the start marker back in front
  bool keep_end = false;        // put the end marker back behind
  int start_position = 1;
};

// Every item between the markers, trimmed, in page order, into `results`
// (replacing what it held). An empty trimmed item ends the extraction. The
// next search starts where the previous end marker begins. Returns the count.
int extract_all_between(std::string_view text, std::string_view start_marker,
                        std::string_view end_marker, ResultList& results,
                        const ExtractOptions& options = {});

// The first item, untrimmed, or "" when there is none. In both markers the
// sequence "#引号" (GBK) stands for one double-quote byte. Case-sensitive by
// default, the opposite of extract_all_between.
Text extract_between(std::string_view text, std::string_view start_marker,
                     std::string_view end_marker, int start_position = 1,
                     bool case_insensitive = false);
// The same item as a view into `text` (empty when there is none), for a
// caller that cuts a large page down in place.
std::string_view extract_between_view(std::string_view text, std::string_view start_marker,
                                      std::string_view end_marker, int start_position = 1,
                                      bool case_insensitive = false);

struct ReplacePair {
  std::string_view find;
  std::string_view replacement;
};

// Up to five find-and-replace pairs, each applied to the output of the one
// before. An omitted count replaces every occurrence; start 0 counts as 1;
// a pair with an empty find text changes nothing.
Text replace_pairs(std::string_view text, std::optional<int> count, int start_position,
                   bool case_sensitive, std::initializer_list<ReplacePair> pairs);

}  // namespace lv::scrape
