#pragma once
// The reader's font dialog: face, size, style, underline, strike-out and a
// text colour, which the platform's own font dialog does not offer. The last
// accepted choice is offered again at the next opening.
#include <QColor>
#include <QDialog>
#include <QFont>

class QFontDialog;

namespace lv::app {

class ColourPicker;

struct FontChoice {
  QFont font;
  QColor colour = Qt::black;
};

class FontColourDialog final : public QDialog {
  Q_OBJECT

 public:
  explicit FontColourDialog(QWidget* parent = nullptr);

  // The choice shown at the next opening (and kept when it is cancelled).
  FontChoice choice() const { return choice_; }
  void set_choice(const FontChoice& choice);

  // What the dialog shows at the moment; OK takes it as the choice.
  FontChoice current() const;
  void set_current_font(const QFont& font);
  void set_current_colour(const QColor& colour);

  // Runs modally; true with the choice updated on OK, false on cancel.
  bool choose();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QFontDialog* font_panel_ = nullptr;
  ColourPicker* colour_button_ = nullptr;
  FontChoice choice_;
};

}  // namespace lv::app
