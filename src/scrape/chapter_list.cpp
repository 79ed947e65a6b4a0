#include "scrape/chapter_list.h"

#include <algorithm>

#include "scrape/character_references.h"

namespace lv::scrape {

namespace {

using lv::base::find_text;
using lv::base::text_length;

// The first item between the markers that lies wholly inside `link`, from
// `from` on, trimmed; "" when there is none.
Text item_within(std::string_view link, std::string_view start, std::string_view end, int from,
                 bool case_insensitive) {
  const int p1 = find_text(link, start, from, case_insensitive);
  if (p1 < 1) return {};
  const int s = p1 + text_length(start);
  const int p2 = find_text(link, end, s, case_insensitive);
  if (p2 < 1) return {};
  return lv::base::trim_both(link.substr(static_cast<std::size_t>(s - 1), static_cast<std::size_t>(p2 - s)));
}

}  // namespace

ChapterList parse_chapter_list(std::string_view body, const ChapterListRules& rules) {
  ChapterList list;
  const Text address_start = fill_marker(rules.addresses.start, std::nullopt);
  const Text address_end = fill_marker(rules.addresses.end, std::nullopt);
  const Text title_start = fill_marker(rules.titles.start, std::nullopt);
  const Text title_end = fill_marker(rules.titles.end, std::nullopt);
  const bool address_ci = !rules.addresses.case_sensitive;
  const bool title_ci = !rules.titles.case_sensitive;

  // The address cut walks the page as the extraction does (each search from
  // where the previous address ended); a link runs from its address to the
  // next address start marker, and its title is looked for there alone.
  int p1 = find_text(body, address_start, rules.addresses.from, address_ci);
  while (p1 > 0 && !address_start.empty()) {
    const int s = p1 + text_length(address_start);
    const int p2 = find_text(body, address_end, s, address_ci);
    if (p2 < 1) break;
    Text address = lv::base::trim_both(body.substr(static_cast<std::size_t>(s - 1), static_cast<std::size_t>(p2 - s)));
    if (address.empty()) break;
    const int next = find_text(body, address_start, p2, address_ci);
    const std::string_view link = next > 0 ? body.substr(0, static_cast<std::size_t>(next - 1)) : body;
    Text title = item_within(link, title_start, title_end, std::max(s, rules.titles.from), title_ci);
    list.chapters.push_back({decode_character_references(std::move(title)), std::move(address)});
    p1 = next;
  }
  list.book_title = decode_character_references(
      extract_between(body, fill_marker(rules.book_title.start, std::nullopt),
                      fill_marker(rules.book_title.end, std::nullopt), rules.book_title.from,
                      !rules.book_title.case_sensitive));
  return list;
}

}  // namespace lv::scrape
