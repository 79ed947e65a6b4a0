#pragma once
// The flat control style.
#include <optional>

namespace lv::app {

// 1, 2 or 3 draws a one-pixel frame in the style's colour around buttons,
// edits, list and tree views, combo and spin boxes and group boxes of every
// window, those created later included; any other value removes it.
bool set_visual_style(int style);
int visual_style();
// The outer frame colour of a style as 0xRRGGBB; nullopt for no style.
std::optional<unsigned> visual_style_colour(int style);

}  // namespace lv::app
