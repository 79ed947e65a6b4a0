#pragma once
// What a window showing work in progress is made of: a bar, a line of
// counts, room for lines of its own, the outcome once the work has ended,
// and one button that cancels while the work runs and closes the window
// afterwards.
#include <QWidget>

class QLabel;
class QProgressBar;
class QPushButton;
class QVBoxLayout;

namespace lv::app {

class ProgressFrame final : public QWidget {
  Q_OBJECT

 public:
  explicit ProgressFrame(QWidget* parent);

  bool running() const { return running_; }
  QProgressBar& bar() const { return *bar_; }
  QLabel& counts() const { return *counts_; }
  QLabel& outcome() const { return *outcome_; }
  QPushButton& button() const { return *button_; }

  // A line of the window's own, below the counts.
  QLabel& add_line();
  // The button stays pressed in until the work ends.
  void cancelling();
  // The work has ended: the outcome shows, the bar stands at its end when
  // `ran_its_course`, and the window grows to show every line.
  void finish(const QString& outcome, bool ran_its_course);

 signals:
  void cancel_requested();

 private:
  bool running_ = true;
  QVBoxLayout* lines_ = nullptr;
  QProgressBar* bar_ = nullptr;
  QLabel* counts_ = nullptr;
  QLabel* outcome_ = nullptr;
  QPushButton* button_ = nullptr;
};

}  // namespace lv::app
