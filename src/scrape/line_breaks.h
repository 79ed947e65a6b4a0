#pragma once
// Line breaks that a page writes as markup, shown as line breaks.
#include "base/text.h"

namespace lv::scrape {

using lv::base::Text;

// Every "<br>", "<br/>" and "<br />" (ASCII letters in any case), together
// with the CR LF or LF directly after it, becomes CR LF. Other markup, and
// spellings such as "<br  />", stay as they are.
Text markup_breaks_to_lines(Text text);

}  // namespace lv::scrape
