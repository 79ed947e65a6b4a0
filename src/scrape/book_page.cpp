#include "scrape/book_page.h"

#include "base/code_page.h"
#include "scrape/line_breaks.h"

namespace lv::scrape {

namespace {

struct Markers {
  Text name_start = "<h1>";
  Text name_end = "</h1>";
  Text cover_start_head = "<div id=\"fmimg\"><img alt=\"";
  Text cover_start_tail = "\" src=\"";
  Text cover_end = "\" onerror=\"";
  Text author_prefix = lv::base::gbk("作者：");
  Text category_prefix = lv::base::gbk("类别：");
  Text status_prefix = lv::base::gbk("状态：");
  Text field_start = "<i>";
  Text field_end = "</i>";
  Text intro_start = "</div>\r\n<div class=\"intro\">\r\n<b>";
  Text intro_end = "</div>\r\n<div class=\"bookurl\">\r";
  Text intro_break = "</b><br />";
};

const Markers& markers() {
  static const Markers m;
  return m;
}

// "<i>作者：X</i>" gives "作者：X": the prefix is part of the start marker and
// is put back so the label reads the same with or without a value.
Text cut_prefixed(std::string_view body, const Text& prefix) {
  const Markers& m = markers();
  return prefix + extract_between(body, m.field_start + prefix, m.field_end);
}

}  // namespace

BookInfo parse_book_page(std::string_view body) {
  const Markers& m = markers();
  BookInfo info;
  info.name = extract_between(body, m.name_start, m.name_end);
  // The cover is found only where the image's alt text is the name exactly.
  info.cover_address =
      extract_between(body, m.cover_start_head + info.name + m.cover_start_tail, m.cover_end);
  info.author = cut_prefixed(body, m.author_prefix);
  info.category = cut_prefixed(body, m.category_prefix);
  info.status = cut_prefixed(body, m.status_prefix);
  // The intro label's closing tag and the break after it become one line
  // break; only the first nine are turned, later ones stay as they are.
  const Text intro = extract_between(body, m.intro_start, m.intro_end);
  info.intro = markup_breaks_to_lines(replace_pairs(intro, 9, 1, false, {{m.intro_break, "\r\n"}}));
  return info;
}

}  // namespace lv::scrape
