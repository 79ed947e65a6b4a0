#include "app/book_info/synopsis_label.h"

#include <QFontMetrics>
#include <QPainter>
#include <QStringList>
#include <QTextLayout>

namespace lv::app {

namespace {

const QString kEllipsis = QStringLiteral("……");

}  // namespace

SynopsisLabel::SynopsisLabel(QWidget* parent) : QLabel(parent) {
  setTextFormat(Qt::PlainText);
  setWordWrap(true);
  setAlignment(Qt::AlignLeft | Qt::AlignTop);
}

void SynopsisLabel::set_covered_corner(const QRect& corner) {
  corner_ = corner.intersected(rect());
  update();
}

std::vector<SynopsisLabel::Line> SynopsisLabel::lay_out() const {
  const QRect room = contentsRect();
  const QFontMetrics metrics(font());
  const int spacing = metrics.lineSpacing();
  // A line reaching into the covered corner ends where the corner begins.
  const auto width_at = [&](int top) {
    const bool beside_corner = !corner_.isEmpty() && top + spacing > corner_.top() && top < corner_.bottom();
    return beside_corner ? corner_.left() - room.left() : room.width();
  };

  std::vector<Line> lines;
  std::vector<int> widths;
  QString rest_of_last;  // the text from the last line shown to the end of its paragraph
  QString whole = text();
  whole.remove(QLatin1Char('\r'));
  while (!whole.isEmpty() && whole.back().isSpace()) whole.chop(1);
  const QStringList paragraphs = whole.split(QLatin1Char('\n'));
  bool cut = false;
  int top = room.top();
  for (const QString& paragraph : paragraphs) {
    QTextLayout layout(paragraph, font());
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(option);
    layout.beginLayout();
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
      if (top + spacing > room.bottom() + 1) {
        cut = true;  // a line to show and no room for it
        break;
      }
      const int width = width_at(top);
      line.setLineWidth(width);
      lines.push_back({paragraph.mid(line.textStart(), line.textLength()), QPoint(room.left(), top + metrics.ascent())});
      widths.push_back(width);
      rest_of_last = paragraph.mid(line.textStart());
      top += spacing;
    }
    layout.endLayout();
    if (cut) break;
  }
  if (cut && !lines.empty()) {
    // The last line shown says that more follows, in the room it has.
    Line& last = lines.back();
    QString kept = rest_of_last;
    while (!kept.isEmpty() && metrics.horizontalAdvance(kept + kEllipsis) > widths.back()) kept.chop(1);
    last.text = kept.trimmed() + kEllipsis;
  }
  return lines;
}

QString SynopsisLabel::shown_text() const {
  QStringList texts;
  for (const Line& line : lay_out()) texts << line.text;
  return texts.join(QLatin1Char('\n'));
}

void SynopsisLabel::paintEvent(QPaintEvent* /*event*/) {
  QPainter painter(this);
  painter.setFont(font());
  painter.setPen(palette().color(foregroundRole()));
  for (const Line& line : lay_out()) painter.drawText(line.baseline, line.text);
}

}  // namespace lv::app
