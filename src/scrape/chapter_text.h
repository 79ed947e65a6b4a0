#pragma once
// The text of one chapter page.
#include <string_view>

#include "scrape/extract.h"

namespace lv::scrape {

// The raw text between the chapter markers (untrimmed, starting with the LF
// that follows the start marker), with "&nbsp;" turned into spaces and
// "<br /><br />" into CR LF CR LF, both case-insensitively.
Text parse_chapter_text(std::string_view body);

}  // namespace lv::scrape
