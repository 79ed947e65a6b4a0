#pragma once
// The services the windows rely on: message boxes, letting pending events
// run, the browser, synthesized key presses, the flat control style, the
// runtime-error box and the clipboard.
#include <QUrl>
#include <functional>
#include <optional>
#include <string_view>

#include "base/date_time.h"
#include "base/text.h"

class QWidget;

namespace lv::app {

// --- message boxes -----------------------------------------------------------
// Style: buttons in the low four bits (0 OK, 1 OK Cancel, 2 Abort Retry
// Ignore, 3 Yes No Cancel, 4 Yes No, 5 Retry Cancel), icon in 0x10..0x40,
// default button in 0x100..0x200. Caption omitted: "信息：".
// Result: OK 0, Cancel 1, Abort 2, Retry 3, Ignore 4, Yes 5, No 6, other 0.
enum MessageBoxResult : int { kOk = 0, kCancel = 1, kAbort = 2, kRetry = 3, kIgnore = 4, kYes = 5, kNo = 6 };

int message_box(std::string_view gbk_text, int style = 0, std::optional<std::string_view> gbk_caption = std::nullopt);
inline int message_box(const char* gbk_text, int style = 0, std::optional<std::string_view> gbk_caption = std::nullopt) {
  return message_box(std::string_view(gbk_text ? gbk_text : ""), style, gbk_caption);
}
int message_box(int value, int style = 0, std::optional<std::string_view> gbk_caption = std::nullopt);
int message_box(double value, int style = 0, std::optional<std::string_view> gbk_caption = std::nullopt);
int message_box(bool value, int style = 0, std::optional<std::string_view> gbk_caption = std::nullopt);
int message_box(const lv::base::DateTime& value, int style = 0,
                std::optional<std::string_view> gbk_caption = std::nullopt);

// --- events ------------------------------------------------------------------
// Runs the events already waiting on the calling thread, then returns.
void process_events();

// --- browser -----------------------------------------------------------------
// Hands an http or https address to the system's browser. Anything else
// (files, other schemes, malformed addresses) is not opened. Returns whether
// the address was handed over.
bool open_in_browser(std::string_view gbk_target);
// Replaces what receives the address (tests install a recorder so nothing
// really opens); an empty function restores the system's opener. Returns the
// previous one.
using BrowserOpener = std::function<bool(const QUrl&)>;
BrowserOpener set_browser_opener(BrowserOpener opener);

// --- keys --------------------------------------------------------------------
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

// --- flat style --------------------------------------------------------------
// 1, 2 or 3 draws a one-pixel frame in the style's colour around buttons,
// edits, list and tree views, combo and spin boxes and group boxes of every
// window, those created later included; any other value removes it.
bool set_visual_style(int style);
int visual_style();
// The outer frame colour of a style as 0xRRGGBB; nullopt for no style.
std::optional<unsigned> visual_style_colour(int style);

// --- runtime-error box -------------------------------------------------------
// Routes lv::base::report_runtime_error to a critical message box.
void install_runtime_error_presenter();

// --- clipboard ---------------------------------------------------------------
// Puts the text on the clipboard as plain text.
void copy_to_clipboard(std::string_view gbk_text);
// The clipboard's text (up to its first zero character) as GBK; "" when the
// clipboard holds no text.
lv::base::Text read_clipboard_text();

// --- windows -----------------------------------------------------------------
void centre_on_screen(QWidget& window);
// A window that is shown comes to the front (restored when minimised); a
// hidden one stays hidden.
void bring_to_front(QWidget& window);

}  // namespace lv::app
