#include "app/widgets/progress_frame.h"

#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>

namespace lv::app {

ProgressFrame::ProgressFrame(QWidget* parent) : QWidget(parent) {
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  bar_ = new QProgressBar(this);
  bar_->setRange(0, 0);  // busy until the work knows how much there is
  counts_ = new QLabel(this);
  counts_->setWordWrap(true);
  lines_ = new QVBoxLayout;
  outcome_ = new QLabel(this);
  outcome_->setWordWrap(true);
  outcome_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  outcome_->hide();  // until there is an outcome to tell
  button_ = new QPushButton(QStringLiteral("取消"), this);
  layout->addWidget(bar_);
  layout->addWidget(counts_);
  layout->addLayout(lines_);
  layout->addWidget(outcome_);
  layout->addWidget(button_, 0, Qt::AlignRight);
  connect(button_, &QPushButton::clicked, this, [this] {
    if (running_) emit cancel_requested();
    else window()->close();
  });
}

QLabel& ProgressFrame::add_line() {
  auto* line = new QLabel(this);
  lines_->addWidget(line);
  return *line;
}

void ProgressFrame::cancelling() { button_->setEnabled(false); }

void ProgressFrame::finish(const QString& outcome, bool ran_its_course) {
  running_ = false;
  button_->setText(QStringLiteral("关闭"));
  button_->setEnabled(true);
  if (bar_->maximum() == 0) bar_->setRange(0, 1);
  if (ran_its_course) bar_->setValue(bar_->maximum());
  outcome_->setText(outcome);
  outcome_->show();
  // Tall enough for every line of the outcome at the window's width.
  QWidget* top = window();
  top->layout()->activate();
  top->resize(top->width(), std::max(top->height(), top->heightForWidth(top->width())));
}

}  // namespace lv::app
