#pragma once
// The reader's colour panels: a group box with a label and a colour picker.
// A panel stays on show until a colour is picked in it; there is no cancel.
#include <QColor>
#include <QGroupBox>
#include <QPushButton>

class QLabel;

namespace lv::app {

// A button showing its colour; pressing it opens the colour chooser.
class ColourPicker final : public QPushButton {
  Q_OBJECT

 public:
  explicit ColourPicker(QWidget* parent = nullptr);

  QColor colour() const { return colour_; }
  // Takes `colour` as if the user had chosen it in the chooser.
  void pick(const QColor& colour);
  // Shows `colour` as the current one; nothing is picked.
  void set_colour(const QColor& colour);

 signals:
  void colour_picked(const QColor& colour);

 private:
  void open_chooser();
  void show_colour();

  QColor colour_ = Qt::black;
};

class ColourPanel final : public QGroupBox {
  Q_OBJECT

 public:
  // Object names for the box, its label and its picker.
  ColourPanel(const QString& box_name, const QString& label_name, const QString& picker_name,
              QWidget* parent = nullptr);

  ColourPicker* picker() const { return picker_; }

 signals:
  // The panel hides itself once the receivers have taken the colour.
  void colour_picked(const QColor& colour);

 private:
  QLabel* label_ = nullptr;
  ColourPicker* picker_ = nullptr;
};

}  // namespace lv::app
