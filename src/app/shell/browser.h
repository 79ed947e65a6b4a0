#pragma once
// Handing an address to the system's browser.
#include <QUrl>
#include <functional>
#include <string_view>

namespace lv::app {

// Hands an http or https address to the system's browser. Anything else
// (files, other schemes, malformed addresses) is not opened. Returns whether
// the address was handed over.
bool open_in_browser(std::string_view gbk_target);
// Replaces what receives the address (tests install a recorder so nothing
// really opens); an empty function restores the system's opener. Returns the
// previous one.
using BrowserOpener = std::function<bool(const QUrl&)>;
BrowserOpener set_browser_opener(BrowserOpener opener);

}  // namespace lv::app
