#include "scrape/extract.h"

#include "base/code_page.h"
#include "base/text_search.h"

namespace lv::scrape {

using lv::base::find_text;
using lv::base::text_length;

int extract_all_between(std::string_view text, std::string_view start_marker,
                        std::string_view end_marker, ResultList& results,
                        const ExtractOptions& options) {
  results.clear();
  const bool fold = !options.case_sensitive;
  const int start_length = text_length(start_marker);
  int position = options.start_position;
  int previous_end = 0;
  for (;;) {
    const int p1 = find_text(text, start_marker, position, fold);
    if (p1 < 1) break;
    const int s = p1 + start_length;
    const int p2 = find_text(text, end_marker, s, fold);
    if (p2 < 1) break;
    // Resuming where the end marker begins lets it serve as the next start
    // marker. An empty start marker matches at 1 from anywhere, so the same
    // item would come back for ever: an end marker that does not lie beyond
    // the previous one ends the extraction.
    if (p2 <= previous_end) break;
    previous_end = p2;
    if (p2 <= s) break;  // an empty end marker matches at 1: the item is empty
    // The bytes from s up to p2, trimmed, without copying them twice.
    const std::string_view item = lv::base::detail::trim_view(
        text.substr(static_cast<std::size_t>(s - 1), static_cast<std::size_t>(p2 - s)));
    if (item.empty()) break;
    if (options.max_length != 0 && text_length(item) > options.max_length) break;

    Text entry;
    entry.reserve((options.keep_start ? start_marker.size() : 0) + options.prefix.size() +
                  item.size() + options.suffix.size() + (options.keep_end ? end_marker.size() : 0));
    if (options.keep_start) entry.append(start_marker);
    entry.append(options.prefix).append(item).append(options.suffix);
    if (options.keep_end) entry.append(end_marker);
    results.push_back(std::move(entry));
    position = p2;
  }
  return static_cast<int>(results.size());
}

std::string_view extract_between_view(std::string_view text, std::string_view start_marker,
                                      std::string_view end_marker, int start_position, bool case_insensitive) {
  static const Text quote_word = lv::base::gbk("#引号");
  const Text start = lv::base::replace_text(start_marker, quote_word, "\"");
  const Text end = lv::base::replace_text(end_marker, quote_word, "\"");
  int p1 = find_text(text, start, start_position, case_insensitive);
  if (p1 == -1) return {};
  p1 += text_length(start);
  const int p2 = find_text(text, end, p1, case_insensitive);
  if (p2 == -1 || p2 < p1) return {};
  return text.substr(static_cast<std::size_t>(p1 - 1), static_cast<std::size_t>(p2 - p1));
}

Text extract_between(std::string_view text, std::string_view start_marker,
                     std::string_view end_marker, int start_position, bool case_insensitive) {
  return Text(extract_between_view(text, start_marker, end_marker, start_position, case_insensitive));
}

Text replace_pairs(std::string_view text, std::optional<int> count, int start_position,
                   bool case_sensitive, std::initializer_list<ReplacePair> pairs) {
  const int start = start_position == 0 ? 1 : start_position;
  // The first pair reads the text itself: no copy of it is made first.
  std::optional<Text> out;
  for (const ReplacePair& pair : pairs) {
    if (pair.find.empty()) continue;
    out = lv::base::replace_text(out ? std::string_view(*out) : text, pair.find, pair.replacement, start, count,
                                 case_sensitive);
  }
  return out ? std::move(*out) : Text(text);
}

}  // namespace lv::scrape
