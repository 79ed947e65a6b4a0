#include "scrape/chapter_text.h"

#include "scrape/line_breaks.h"

namespace lv::scrape {

namespace {
// Large enough to mean "every occurrence" on any page.
constexpr int kEveryOccurrence = 99999999;

// The start marker ends on the CR, so the text begins with the LF after it.
std::string_view raw_text(std::string_view body) {
  return extract_between_view(body, "</tr></table>\r\n<div id=\"BookText\">\r", "</div>\r\n<div class=\"sha");
}

Text clean(Text raw) {
  // Two passes in this order: every "&nbsp;" is a space before breaks are read.
  Text spaced = replace_pairs(raw, kEveryOccurrence, 1, false, {{"&nbsp;", " "}});
  Text().swap(raw);
  // Breaks the page writes one per line are shown as line breaks too.
  return markup_breaks_to_lines(replace_pairs(spaced, kEveryOccurrence, 1, false, {{"<br /><br />", "\r\n\r\n"}}));
}

}  // namespace

Text parse_chapter_text(Text body) {
  const std::string_view raw = raw_text(body);
  if (raw.empty()) return {};
  const std::size_t from = static_cast<std::size_t>(raw.data() - body.data());
  const std::size_t length = raw.size();
  Text text = std::move(body);
  text.resize(from + length);
  text.erase(0, from);
  return clean(std::move(text));
}

}  // namespace lv::scrape
