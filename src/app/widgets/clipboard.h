#pragma once
// The clipboard as GBK text.
#include <string_view>

#include "base/text.h"

namespace lv::app {

// Puts the text on the clipboard as plain text.
void copy_to_clipboard(std::string_view gbk_text);
// The clipboard's text (up to its first zero character) as GBK; "" when the
// clipboard holds no text.
lv::base::Text read_clipboard_text();

}  // namespace lv::app
