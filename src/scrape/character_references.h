#pragma once
// HTML character references in a text the site wrote, shown as the characters
// they stand for.
#include <cstdint>
#include <optional>
#include <string_view>

#include "base/text.h"

namespace lv::scrape {

using lv::base::Text;

// Every reference of the GBK text replaced by its character, in one pass (a
// character a reference gives is never read again, so "&amp;lt;" gives
// "&lt;"): HTML 4's named references and "&apos;", case as written;
// "&#N;" and "&#xH;" ("&#XH;"). U+00A0 (&nbsp;) becomes a plain space and a
// character GBK lacks "?". An unknown name, a reference without its ";" and a
// number that names U+0000, a surrogate or anything beyond U+10FFFF stay as
// written. A text never grows, so it is decoded in place.
Text decode_character_references(Text text);

// The code point of an HTML 4 named reference (or "apos"), by its exact name.
std::optional<char32_t> named_reference(std::string_view name);

}  // namespace lv::scrape
