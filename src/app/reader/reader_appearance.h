#pragma once
// The reader text view's font and colours.
#include <QColor>
#include <QFont>
#include <QPlainTextEdit>

namespace lv::app {

// Character height 48 pixels, normal weight, in a face that holds Chinese.
QFont reader_default_font();

// The font record the reader sets from a font-dialog choice: face, size in
// points, bold (weight 700), italic, underline and strike-out. A face that is
// empty or longer than 31 GBK bytes does not fit the record and becomes 宋体.
QFont reader_font_from_choice(const QFont& chosen);

void set_text_colour(QPlainTextEdit& edit, const QColor& colour);
void set_background_colour(QPlainTextEdit& edit, const QColor& colour);
QColor text_colour(const QPlainTextEdit& edit);
QColor background_colour(const QPlainTextEdit& edit);

}  // namespace lv::app
