#pragma once
// The synopsis: word-wrapped text that flows around a control lying over a
// corner of it, in whole lines, and that ends with "……" when words are left
// out for want of room. Its caption stays the whole synopsis.
#include <QLabel>
#include <QPoint>
#include <QRect>
#include <QString>
#include <vector>

namespace lv::app {

class SynopsisLabel final : public QLabel {
  Q_OBJECT

 public:
  explicit SynopsisLabel(QWidget* parent = nullptr);

  // The part of the label (in its own coordinates) that another control covers.
  void set_covered_corner(const QRect& corner);
  // The lines as painted, joined by "\n".
  QString shown_text() const;

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  struct Line {
    QString text;
    QPoint baseline;
  };
  std::vector<Line> lay_out() const;

  QRect corner_;
};

}  // namespace lv::app
