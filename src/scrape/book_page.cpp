#include "scrape/book_page.h"

#include "scrape/character_references.h"
#include "scrape/line_breaks.h"

namespace lv::scrape {

namespace {

Text cut(std::string_view body, const CutRule& rule, std::optional<std::string_view> name = std::nullopt) {
  return extract_between(body, fill_marker(rule.start, std::nullopt, name), fill_marker(rule.end, std::nullopt, name),
                         rule.from, !rule.case_sensitive);
}

// "<i>作者：X</i>" gives "作者：X": the label is part of the start marker and
// is put back so the label reads the same with or without a value.
Text cut_labelled(std::string_view body, const LabelledRule& rule) {
  return rule.label + decode_character_references(cut(body, rule.cut));
}

}  // namespace

Text apply_cleaning(Text text, const std::vector<ReplaceRule>& steps) {
  for (const ReplaceRule& step : steps) {
    const std::optional<int> count = step.count > 0 ? std::optional<int>(step.count) : std::nullopt;
    text = replace_pairs(text, count, 1, step.case_sensitive, {{step.find, step.replacement}});
  }
  return text;
}

BookInfo parse_book_page(std::string_view body, const BookPageRules& rules) {
  BookInfo info;
  info.name = cut(body, rules.name);
  info.cover_address = cut(body, rules.cover, std::string_view(info.name));
  info.author = cut_labelled(body, rules.author);
  info.category = cut_labelled(body, rules.category);
  info.status = cut_labelled(body, rules.status);
  info.intro = decode_character_references(
      markup_breaks_to_lines(apply_cleaning(cut(body, rules.intro), rules.intro_cleaning)));
  // The cover's marker was built from the name as the page writes it.
  info.name = decode_character_references(std::move(info.name));
  return info;
}

}  // namespace lv::scrape
