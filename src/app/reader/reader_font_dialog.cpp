#include "app/reader/reader_font_dialog.h"

#include <QDialogButtonBox>
#include <QFontDialog>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLayout>
#include <QVBoxLayout>

#include "app/reader/reader_colour_panel.h"

namespace lv::app {

FontColourDialog::FontColourDialog(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("通用对话框3"));
  setWindowTitle(QStringLiteral("字体"));

  // The font dialog lives inside this one as a plain widget without its own
  // buttons, so one OK takes both the font and the colour.
  font_panel_ = new QFontDialog(this);
  font_panel_->setWindowFlags(Qt::Widget);
  font_panel_->setOptions(QFontDialog::NoButtons | QFontDialog::DontUseNativeDialog);
  font_panel_->installEventFilter(this);
  // Inside this dialog it takes this dialog's margins and has no grip of its
  // own in the middle of the window.
  font_panel_->setSizeGripEnabled(false);
  if (font_panel_->layout() != nullptr) font_panel_->layout()->setContentsMargins(0, 0, 0, 0);
  font_panel_->show();

  auto* colour_row = new QHBoxLayout;
  colour_row->addWidget(new QLabel(QStringLiteral("颜色："), this));
  colour_button_ = new ColourPicker(this);
  colour_button_->setObjectName(QStringLiteral("字体颜色按钮"));
  colour_row->addWidget(colour_button_);
  colour_row->addStretch(1);

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(font_panel_);
  layout->addLayout(colour_row);
  layout->addWidget(buttons);

  connect(this, &QDialog::accepted, this, [this] { choice_ = current(); });
  connect(this, &QDialog::rejected, this, [this] { set_choice(choice_); });
}

void FontColourDialog::set_choice(const FontChoice& choice) {
  choice_ = choice;
  set_current_font(choice.font);
  set_current_colour(choice.colour);
}

FontChoice FontColourDialog::current() const {
  return FontChoice{font_panel_->currentFont(), colour_button_->colour()};
}

void FontColourDialog::set_current_font(const QFont& font) { font_panel_->setCurrentFont(font); }

void FontColourDialog::set_current_colour(const QColor& colour) {
  if (colour.isValid()) colour_button_->pick(colour);
}

bool FontColourDialog::eventFilter(QObject* watched, QEvent* event) {
  // The inner dialog would close itself on Escape and Enter; both belong to
  // this dialog.
  if (watched == font_panel_ && event->type() == QEvent::KeyPress) {
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (key == Qt::Key_Escape) {
      reject();
      return true;
    }
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
      accept();
      return true;
    }
  }
  return QDialog::eventFilter(watched, event);
}

bool FontColourDialog::choose() {
  set_choice(choice_);
  return exec() == QDialog::Accepted;
}

}  // namespace lv::app
