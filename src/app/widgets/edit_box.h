#pragma once
// Edit boxes hold GBK texts; a line break in a text is CR LF, as the pages
// and the chapter view write it.
#include <QLineEdit>
#include <QPlainTextEdit>
#include <initializer_list>
#include <string_view>

#include "base/text.h"

namespace lv::app {

// Replaces the whole content.
void set_edit_content(QPlainTextEdit& edit, std::string_view gbk);
void set_edit_content(QLineEdit& edit, std::string_view gbk);
lv::base::Text edit_content(const QPlainTextEdit& edit);
lv::base::Text edit_content(const QLineEdit& edit);

// The selected bytes; "" when nothing is selected.
lv::base::Text selected_text(const QPlainTextEdit& edit);
lv::base::Text selected_text(const QLineEdit& edit);

// For each text in order: caret after the last character, scrolled into
// view, text inserted there. A selection is dropped, never replaced.
void edit_append(QPlainTextEdit& edit, std::initializer_list<std::string_view> gbk_texts);

// CR LF and lone CR become the editor's line break (LF) and back.
QString to_editor_text(std::string_view gbk);
lv::base::Text from_editor_text(const QString& text);

}  // namespace lv::app
