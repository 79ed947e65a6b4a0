#include "app/reader/reader_appearance.h"

#include <QFontDatabase>
#include <QPalette>

#include "app/widgets/gbk_qstring.h"

namespace lv::app {

namespace {
// A face name fills at most 31 bytes of the font record, plus its terminator.
constexpr std::size_t kMaxFaceBytes = 31;
// The bold weight of the font record.
constexpr int kBoldWeight = 700;
}  // namespace

QFont reader_default_font() {
  QFont font;
  const QString preferred = QStringLiteral("WenQuanYi Micro Hei");
  if (QFontDatabase::hasFamily(preferred)) {
    font.setFamily(preferred);
  } else {
    font.setStyleHint(QFont::SansSerif);
  }
  font.setPixelSize(48);
  font.setWeight(QFont::Normal);
  return font;
}

QFont reader_font_from_choice(const QFont& chosen) {
  QString face = chosen.family();
  if (face.isEmpty() || to_gbk(face).size() > kMaxFaceBytes) face = QStringLiteral("宋体");
  QFont font(face);
  if (chosen.pointSize() > 0) {
    font.setPointSize(chosen.pointSize());
  } else if (chosen.pixelSize() > 0) {
    font.setPixelSize(chosen.pixelSize());
  }
  font.setWeight(chosen.bold() ? QFont::Weight(kBoldWeight) : QFont::Normal);
  font.setItalic(chosen.italic());
  font.setUnderline(chosen.underline());
  font.setStrikeOut(chosen.strikeOut());
  return font;
}

void set_text_colour(QPlainTextEdit& edit, const QColor& colour) {
  QPalette palette = edit.palette();
  palette.setColor(QPalette::Text, colour);
  edit.setPalette(palette);
}

void set_background_colour(QPlainTextEdit& edit, const QColor& colour) {
  QPalette palette = edit.palette();
  palette.setColor(QPalette::Base, colour);
  edit.setPalette(palette);
}

QColor text_colour(const QPlainTextEdit& edit) { return edit.palette().color(QPalette::Text); }

QColor background_colour(const QPlainTextEdit& edit) { return edit.palette().color(QPalette::Base); }

}  // namespace lv::app
