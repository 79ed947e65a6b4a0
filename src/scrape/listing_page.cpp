#include "scrape/listing_page.h"

#include "base/text.h"
#include "scrape/character_references.h"

namespace lv::scrape {

namespace {

// Every list starts with an entry that is not a book of the list: the titles
// cut runs from the first site link above the list, and the others follow
// suit so that entry i of each list stays the same book.
void drop_first(ResultList& list) {
  if (!list.empty()) list.erase(list.begin());
}

void cut_all(std::string_view body, std::string_view site_host, const CutRule& rule, ResultList& list,
             ExtractOptions options = {}) {
  options.start_position = rule.from;
  options.case_sensitive = rule.case_sensitive;
  extract_all_between(body, fill_marker(rule.start, site_host), fill_marker(rule.end, site_host), list, options);
}

bool holds(std::string_view body, std::string_view site_host, const CutRule& rule) {
  return lv::base::find_text(body, fill_marker(rule.start, site_host), rule.from, !rule.case_sensitive) > 0;
}

// The marks the rules put around a title are their own: only what the page
// wrote between them is decoded, and only where it holds a reference.
void decode_between_marks(Text& title, std::size_t prefix, std::size_t suffix) {
  const std::size_t inner = title.size() - prefix - suffix;
  if (title.find('&', prefix) >= prefix + inner) return;
  const Text decoded = decode_character_references(title.substr(prefix, inner));
  title.replace(prefix, inner, decoded);
}

}  // namespace

const Text& listing_category() { return built_in_rules().listing.category; }

bool has_listing_markers(std::string_view body, std::string_view site_host, const ListingRules& rules) {
  return holds(body, site_host, rules.addresses) || holds(body, site_host, rules.latest);
}

ListingEntries parse_listing_page(std::string_view body, std::string_view site_host, const ListingRules& rules) {
  ListingEntries entries;
  ExtractOptions title_options;
  title_options.prefix = rules.title_prefix;
  title_options.suffix = rules.title_suffix;
  cut_all(body, site_host, rules.titles, entries.titles, title_options);
  cut_all(body, site_host, rules.addresses, entries.addresses);
  cut_all(body, site_host, rules.latest, entries.latest);

  drop_first(entries.latest);
  drop_first(entries.titles);
  drop_first(entries.addresses);
  for (Text& title : entries.titles) decode_between_marks(title, rules.title_prefix.size(), rules.title_suffix.size());
  for (Text& latest : entries.latest) latest = decode_character_references(std::move(latest));
  return entries;
}

}  // namespace lv::scrape
