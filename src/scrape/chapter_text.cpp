#include "scrape/chapter_text.h"

#include "scrape/book_page.h"
#include "scrape/character_references.h"
#include "scrape/line_breaks.h"

namespace lv::scrape {

namespace {

std::string_view raw_text(std::string_view body, const ChapterTextRules& rules) {
  return extract_between_view(body, fill_marker(rules.text.start, std::nullopt),
                              fill_marker(rules.text.end, std::nullopt), rules.text.from, !rules.text.case_sensitive);
}

}  // namespace

bool has_chapter_text(std::string_view body, const ChapterTextRules& rules) {
  return !raw_text(body, rules).empty();
}

Text parse_chapter_text(Text body, const ChapterTextRules& rules) {
  const std::string_view raw = raw_text(body, rules);
  if (raw.empty()) return {};
  const std::size_t from = static_cast<std::size_t>(raw.data() - body.data());
  const std::size_t length = raw.size();
  body.resize(from + length);
  body.erase(0, from);
  // Breaks the page writes one per line are shown as line breaks too.
  return decode_character_references(markup_breaks_to_lines(apply_cleaning(std::move(body), rules.cleaning)));
}

bool is_blank_text(std::string_view text) {
  for (std::size_t i = 0; i < text.size(); ++i) {
    const auto byte = static_cast<unsigned char>(text[i]);
    if (byte == ' ' || byte == '\t' || byte == '\r' || byte == '\n') continue;
    // A1 A1 is the full-width space; any other double byte is a character.
    if (byte == 0xA1 && i + 1 < text.size() && static_cast<unsigned char>(text[i + 1]) == 0xA1) {
      ++i;
      continue;
    }
    return false;
  }
  return true;
}

}  // namespace lv::scrape
