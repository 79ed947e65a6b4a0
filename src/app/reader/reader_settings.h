#pragma once
// The reader's appearance kept in the user's settings: each font, text colour
// and background colour the user picks is saved, and "读取设置" puts the saved
// ones back on the text view. The reader itself opens with the defined look.
#include <QColor>
#include <QFont>
#include <QString>
#include <optional>

#include "export/chinese_script.h"

namespace lv::app {

// One entry each; an entry that is missing or damaged is left out.
struct SavedAppearance {
  std::optional<QFont> font;
  std::optional<QColor> text_colour;
  std::optional<QColor> background_colour;
  std::optional<lv::exporting::ChineseScript> script;  // the characters the texts are shown in
};

// The settings file: settings.ini in the program's configuration folder.
QString reader_settings_path();

void save_reader_font(const QFont& font);
void save_reader_text_colour(const QColor& colour);
void save_reader_background_colour(const QColor& colour);
void save_reader_script(lv::exporting::ChineseScript script);

SavedAppearance load_reader_appearance();

}  // namespace lv::app
