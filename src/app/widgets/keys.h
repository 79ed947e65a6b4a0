#pragma once
// Synthesized key presses.
#include <string_view>

namespace lv::app {

// A virtual-key code, or a text whose first character names the key.
struct KeyArg {
  int code = 0;
  KeyArg(int virtual_key) : code(virtual_key) {}  // NOLINT: a code is a key
  KeyArg(std::string_view text);                  // NOLINT: so is a text
  KeyArg(const char* text) : KeyArg(std::string_view(text ? text : "")) {}  // NOLINT
};

// Key down of key1, key2, key3, then key up in the same order, sent to the
// widget that has the keyboard focus. A key of 0 is left out.
void press_keys(KeyArg key1, KeyArg key2 = 0, KeyArg key3 = 0);

}  // namespace lv::app
