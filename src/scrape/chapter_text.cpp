#include "scrape/chapter_text.h"

namespace lv::scrape {

namespace {
// Large enough to mean "every occurrence" on any page.
constexpr int kEveryOccurrence = 99999999;
}  // namespace

Text parse_chapter_text(std::string_view body) {
  // The start marker ends on the CR, so the text begins with the LF after it.
  const Text raw = extract_between(body, "</tr></table>\r\n<div id=\"BookText\">\r",
                                   "</div>\r\n<div class=\"sha");
  // Two passes in this order: every "&nbsp;" is a space before breaks are read.
  const Text spaced = replace_pairs(raw, kEveryOccurrence, 1, false, {{"&nbsp;", " "}});
  return replace_pairs(spaced, kEveryOccurrence, 1, false, {{"<br /><br />", "\r\n\r\n"}});
}

}  // namespace lv::scrape
