#pragma once
// The text of one chapter page.
#include <string_view>

#include "scrape/extract.h"
#include "scrape/site_rules.h"

namespace lv::scrape {

// The raw text between the chapter markers (untrimmed, starting with the LF
// that follows the start marker), with "&nbsp;" turned into spaces and
// "<br /><br />" into CR LF CR LF, both case-insensitively, then every other
// break tag (with the line end after it) into CR LF, then character
// references into their characters. The page is cut down to
// its text in place, so a large page handed over (moved in) is not held twice.
Text parse_chapter_text(Text body, const ChapterTextRules& rules = built_in_rules().chapter_text);

// Whether a text shows nothing: only spaces, tabs, line ends and full-width
// spaces (what a "not yet published" page leaves once "&nbsp;" and breaks
// are cleaned). Such a text is no chapter.
bool is_blank_text(std::string_view text);

// Whether the page holds a chapter text at all (both markers, in order). A
// block, verification or error page does not.
bool has_chapter_text(std::string_view body, const ChapterTextRules& rules = built_in_rules().chapter_text);

}  // namespace lv::scrape
