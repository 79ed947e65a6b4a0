#pragma once
// How the site rules read for the user: markers written with their line ends
// visible, the Chinese name of every field, and a refusal in words.
#include <QString>
#include <optional>
#include <string_view>

#include "base/text.h"

namespace lv::app {

// A marker as the user edits it on one line: CR, LF and TAB written as \r, \n
// and \t, a backslash as \\, a space at either end (unseen otherwise) as \s.
// Reading it back gives the marker exactly; \s anywhere is a space, and a
// backslash before any other character stands for itself. nullopt when the
// edited text holds a character that GBK cannot hold.
QString marker_for_editing(std::string_view gbk);
std::optional<lv::base::Text> marker_from_editing(const QString& text);

// The name of a field, by its key path in the rules file:
// "book_page.intro_cleaning[1].find" reads "书页 · 简介清理 · 第 2 步 · 查找".
// A key it does not know is kept as written.
QString rules_field_caption(std::string_view path);
// The name of one rule of a page ("listing.titles" reads "书名").
QString rules_item_caption(std::string_view path);

// A refusal (a RulesError's text: "field: why") as the windows say it: the
// field's name, its key path and the reason.
QString rules_refusal_text(std::string_view what);

}  // namespace lv::app
