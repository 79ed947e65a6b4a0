#include "app/reader/reader_colour_panel.h"

#include <QColorDialog>
#include <QLabel>

namespace lv::app {

ColourPicker::ColourPicker(QWidget* parent) : QPushButton(parent) {
  // Enter in the reader must not open the chooser of a panel on show.
  setAutoDefault(false);
  connect(this, &QPushButton::clicked, this, &ColourPicker::open_chooser);
  show_colour();
}

void ColourPicker::pick(const QColor& colour) {
  if (!colour.isValid()) return;
  colour_ = colour;
  show_colour();
  emit colour_picked(colour_);
}

void ColourPicker::set_colour(const QColor& colour) {
  if (!colour.isValid()) return;
  colour_ = colour;
  show_colour();
}

void ColourPicker::open_chooser() {
  // Under the window, not under this button: a child would take on the
  // button's style sheet.
  const QColor chosen = QColorDialog::getColor(colour_, window(), QStringLiteral("选择颜色"));
  // An invalid colour means the chooser was cancelled: nothing was picked.
  if (chosen.isValid()) pick(chosen);
}

void ColourPicker::show_colour() {
  setText(colour_.name(QColor::HexRgb).toUpper());
  // The rule names this class, so no other button takes it on.
  setStyleSheet(QStringLiteral("lv--app--ColourPicker { background-color: %1; color: %2; }")
                    .arg(colour_.name(QColor::HexRgb),
                         colour_.lightness() < 128 ? QStringLiteral("white") : QStringLiteral("black")));
}

ColourPanel::ColourPanel(const QString& box_name, const QString& label_name, const QString& picker_name,
                         QWidget* parent)
    : QGroupBox(QStringLiteral("选择颜色"), parent) {
  setObjectName(box_name);
  // The panel lies over the text view and must hide what is under it.
  setAutoFillBackground(true);
  label_ = new QLabel(QStringLiteral("选择颜色："), this);
  label_->setObjectName(label_name);
  label_->setGeometry(24, 32, 72, 24);
  picker_ = new ColourPicker(this);
  picker_->setObjectName(picker_name);
  picker_->setGeometry(96, 32, 96, 24);
  connect(picker_, &ColourPicker::colour_picked, this, [this](const QColor& colour) {
    emit colour_picked(colour);
    hide();
  });
}

}  // namespace lv::app
