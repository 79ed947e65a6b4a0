#include "scrape/site_rules.h"

#include "base/code_page.h"

namespace lv::scrape {

namespace {

using lv::base::gbk;

// The first 139 bytes of a listing page are its DOCTYPE line and the start of
// the head, and the book page's head fills its first 87: nothing to cut there.
constexpr int kListingStart = 140;
constexpr int kChapterListStart = 88;
constexpr std::string_view kChapterAddressEnd = "\" title=\"";

SiteRules make_built_in() {
  SiteRules r;
  const Text category = gbk("[修真小说]");
  // Links to the site's own pages end in "/\">" too, so the titles cut finds
  // one extra first entry; the collection drops the first of every list.
  r.listing.titles = {"/\">", "</a></span><span class=\"s3\"><a href=\"http://{host}", kListingStart, true};
  r.listing.title_prefix = gbk("《");
  r.listing.title_suffix = gbk("》");
  r.listing.addresses = {"<li><span class=\"s1\">" + category + "</span><span class=\"s2\"><a href=\"", "\">",
                         kListingStart, true};
  r.listing.latest = {".html\" target=\"_blank\">", "</a></span><span class=\"s4\">", kListingStart, true};
  r.listing.category = category;

  r.book_page.name = {"<h1>", "</h1>", 1, true};
  // The cover is found only where the image's alt text is the name exactly.
  r.book_page.cover = {"<div id=\"fmimg\"><img alt=\"{name}\" src=\"", "\" onerror=\"", 1, true};
  r.book_page.author = {{"<i>" + gbk("作者："), "</i>", 1, true}, gbk("作者：")};
  r.book_page.category = {{"<i>" + gbk("类别："), "</i>", 1, true}, gbk("类别：")};
  r.book_page.status = {{"<i>" + gbk("状态："), "</i>", 1, true}, gbk("状态：")};
  r.book_page.intro = {"</div>\r\n<div class=\"intro\">\r\n<b>", "</div>\r\n<div class=\"bookurl\">\r", 1, true};
  // The intro label's closing tag and the break after it become one line
  // break; only the first nine are turned.
  r.book_page.intro_cleaning = {{"</b><br />", "\r\n", 9, false}};

  // The address ends where the link's title attribute begins, whatever the
  // title says (a prologue, an author's note); the title cut starts at the
  // address's "html" and after the quote, so a title keeps all it begins with.
  r.chapter_list.addresses = {"<dd><a href=\"", Text(kChapterAddressEnd), kChapterListStart, false};
  r.chapter_list.titles = {"html\" title=\"", "\">", kChapterListStart, false};
  r.chapter_list.book_title = {"<h1>", "</h1>", 1, true};

  // The start marker ends on the CR, so the text begins with the LF after it.
  r.chapter_text.text = {"</tr></table>\r\n<div id=\"BookText\">\r", "</div>\r\n<div class=\"sha", 1, true};
  // In this order: every "&nbsp;" is a space before breaks are read.
  r.chapter_text.cleaning = {{"&nbsp;", " ", 0, false}, {"<br /><br />", "\r\n\r\n", 0, false}};
  return r;
}

}  // namespace

const Text& old_chapter_address_end() {
  static const Text marker = Text(kChapterAddressEnd) + gbk("第");
  return marker;
}

const SiteRules& built_in_rules() {
  static const SiteRules rules = make_built_in();
  return rules;
}

Text fill_marker(std::string_view marker, std::optional<std::string_view> site_host,
                 std::optional<std::string_view> book_name) {
  // One pass over the marker: a value put in is never searched for "{host}" or "{name}" again.
  Text out;
  out.reserve(marker.size() + site_host.value_or("").size() + book_name.value_or("").size());
  for (std::size_t i = 0; i < marker.size();) {
    if (site_host && marker.substr(i).starts_with("{host}")) {
      out += *site_host;
      i += 6;
    } else if (book_name && marker.substr(i).starts_with("{name}")) {
      out += *book_name;
      i += 6;
    } else {
      // A double-byte character goes whole: its second byte may look like "{".
      const bool pair = static_cast<unsigned char>(marker[i]) >= 0x81 && i + 1 < marker.size();
      out += marker.substr(i, pair ? 2 : 1);
      i += pair ? 2 : 1;
    }
  }
  return out;
}

}  // namespace lv::scrape
