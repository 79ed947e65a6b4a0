#include "app/widgets/status_bar.h"

#include <QPainter>
#include <QStyle>
#include <QStyleOption>
#include <algorithm>

#include "app/widgets/gbk_qstring.h"

namespace lv::app {

namespace {
constexpr int kDefaultWidth = 50;
constexpr int kTextMargin = 3;
}  // namespace

PartStatusBar::PartStatusBar(std::vector<int> widths, QWidget* parent) : QWidget(parent) {
  parts_.reserve(widths.size());
  for (int width : widths) parts_.push_back(Part{std::max(width, -1), {}});
}

void PartStatusBar::set_part_text(int part, std::string_view gbk) {
  if (part < 0 || part >= part_count()) return;
  parts_[static_cast<std::size_t>(part)].text.assign(gbk);
  update();
}

void PartStatusBar::set_part_width(int part, std::optional<int> width) {
  if (part < 0 || part >= part_count()) return;
  parts_[static_cast<std::size_t>(part)].width = std::max(width.value_or(kDefaultWidth), -1);
  update();
}

lv::base::Text PartStatusBar::part_text(int part) const {
  if (part < 0 || part >= part_count()) return {};
  return parts_[static_cast<std::size_t>(part)].text;
}

int PartStatusBar::part_width(int part) const {
  if (part < 0 || part >= part_count()) return 0;
  return parts_[static_cast<std::size_t>(part)].width;
}

QRect PartStatusBar::part_rect(int part) const {
  if (part < 0 || part >= part_count()) return {};
  // Each part ends at the sum of its own and the earlier widths; a part of
  // -1 takes the rest of the bar and leaves nothing to the parts after it.
  int left = 0;
  for (int i = 0; i <= part; ++i) {
    const int width = parts_[static_cast<std::size_t>(i)].width;
    if (width == -1) {
      if (i < part) return {};
      return QRect(left, 0, std::max(this->width() - left, 0), height());
    }
    if (i == part) return QRect(left, 0, width, height());
    left += width;
  }
  return {};
}

QSize PartStatusBar::sizeHint() const { return {200, fontMetrics().height() + 2 * kTextMargin}; }

void PartStatusBar::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  for (int i = 0; i < part_count(); ++i) {
    const QRect rect = part_rect(i);
    if (rect.isEmpty()) continue;
    QStyleOptionFrame frame;
    frame.initFrom(this);
    frame.rect = rect;
    frame.lineWidth = 1;
    frame.state |= QStyle::State_Sunken;
    style()->drawPrimitive(QStyle::PE_FrameStatusBarItem, &frame, &painter, this);
    painter.setPen(palette().color(QPalette::WindowText));
    painter.drawText(rect.adjusted(kTextMargin, 0, -kTextMargin, 0), Qt::AlignVCenter | Qt::AlignLeft,
                     to_qstring(parts_[static_cast<std::size_t>(i)].text));
  }
}

}  // namespace lv::app
