#include "app/rules/rules_trial_pane.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>
#include <memory>

#include "app/widgets/gbk_qstring.h"
#include "app/rules/rules_text.h"

namespace lv::app {

namespace {

using lv::routines::TrialPage;

// A cell shows the start of a long value; the box below shows it whole.
constexpr qsizetype kCellLength = 160;

}  // namespace

RulesTrialPane::RulesTrialPane(std::function<std::optional<lv::scrape::SiteRules>()> rules,
                               std::function<lv::base::Text()> site_host, QWidget* parent)
    : QWidget(parent), rules_(std::move(rules)), site_host_(std::move(site_host)) {
  inputs_[0] = QStringLiteral("1");

  kind_ = new QComboBox(this);
  kind_->setObjectName(QStringLiteral("页面种类"));
  kind_->addItems({QStringLiteral("列表页"), QStringLiteral("书页"), QStringLiteral("章节页")});
  which_label_ = new QLabel(this);
  which_ = new QLineEdit(inputs_[0], this);
  which_->setObjectName(QStringLiteral("试一试页面"));
  try_button_ = new QPushButton(QStringLiteral("试一试"), this);
  try_button_->setObjectName(QStringLiteral("试一试"));
  try_button_->setAutoDefault(false);

  status_ = new QLabel(QStringLiteral("选好页面，按“试一试”，看当前规则切出的内容。"), this);
  status_->setObjectName(QStringLiteral("试一试结果"));
  status_->setWordWrap(true);
  status_->setTextInteractionFlags(Qt::TextSelectableByMouse);

  items_ = new QTableWidget(0, 2, this);
  items_->setObjectName(QStringLiteral("切出内容"));
  items_->setHorizontalHeaderLabels({QStringLiteral("项目"), QStringLiteral("切出的内容")});
  items_->horizontalHeader()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
  items_->horizontalHeader()->setStretchLastSection(true);
  items_->verticalHeader()->hide();
  items_->verticalHeader()->setDefaultSectionSize(20);
  items_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  items_->setSelectionBehavior(QAbstractItemView::SelectRows);
  items_->setSelectionMode(QAbstractItemView::SingleSelection);
  items_->setWordWrap(false);
  items_->setToolTip(QStringLiteral("双击书的地址试它的书页，双击章节地址试它的章节页"));

  detail_ = new QPlainTextEdit(this);
  detail_->setObjectName(QStringLiteral("内容全文"));
  detail_->setReadOnly(true);

  auto* chooser = new QHBoxLayout;
  chooser->addWidget(kind_);
  chooser->addWidget(which_label_);
  chooser->addWidget(which_, 1);
  chooser->addWidget(try_button_);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addLayout(chooser);
  layout->addWidget(status_);
  layout->addWidget(items_, 3);
  layout->addWidget(new QLabel(QStringLiteral("所选项目的全文："), this));
  layout->addWidget(detail_, 2);

  kind_changed(0);
  connect(kind_, &QComboBox::currentIndexChanged, this, &RulesTrialPane::kind_changed);
  connect(try_button_, &QPushButton::clicked, this, [this] { try_page(); });
  connect(which_, &QLineEdit::returnPressed, this, [this] { try_page(); });
  connect(items_, &QTableWidget::currentCellChanged, this, [this](int row) { show_item(row); });
  connect(items_, &QTableWidget::cellDoubleClicked, this, [this](int row) { follow_item(row); });
}

TrialPage RulesTrialPane::page() const { return static_cast<TrialPage>(kind_->currentIndex()); }

void RulesTrialPane::kind_changed(int index) {
  inputs_[static_cast<std::size_t>(shown_kind_)] = which_->text();
  shown_kind_ = index;
  which_->setText(inputs_[static_cast<std::size_t>(index)]);
  const bool listing = index == static_cast<int>(TrialPage::listing);
  which_label_->setText(listing ? QStringLiteral("页码：") : QStringLiteral("地址："));
  which_->setPlaceholderText(listing ? QStringLiteral("1")
                                     : index == static_cast<int>(TrialPage::book)
                                           ? QStringLiteral("书页地址，或双击列表页的地址")
                                           : QStringLiteral("章节页地址，或双击书页的章节地址"));
}

void RulesTrialPane::choose(TrialPage page, const QString& which) {
  kind_->setCurrentIndex(static_cast<int>(page));
  which_->setText(which);
  which_->setCursorPosition(0);
}

bool RulesTrialPane::try_page() {
  const std::optional<lv::scrape::SiteRules> rules = rules_();
  if (!rules) return false;
  const TrialPage kind = page();
  const lv::base::Text which = to_gbk(which_->text().trimmed());
  const lv::base::Text host = site_host_();
  // Starting again stops the trial before, whose result is then dropped.
  const bool started = trial_.start([this, rules = *rules, host, kind, which](std::stop_token stop) {
    auto result = lv::routines::try_rules(rules, host, kind, which, std::move(stop));
    trial_.post([this, result = std::move(result), kind] {
      running_ = false;
      show_result(result, kind);
    });
  });
  if (!started) {
    status_->setText(QStringLiteral("无法开始试用：系统没有给出线程。"));
    return false;
  }
  running_ = true;
  status_->setText(QStringLiteral("正在取回页面……"));
  return true;
}

void RulesTrialPane::show_result(const lv::routines::TrialResult& result, TrialPage page) {
  shown_address_ = result.address;
  shown_page_ = page;
  QString status;
  if (result.address.empty()) {
    status = page == TrialPage::listing ? QStringLiteral("页码应是 1 或更大的整数。") : QStringLiteral("请填写页面地址。");
  } else {
    status = to_qstring(result.address) + QStringLiteral("\n");
    if (!result.outcome.fetched()) {
      status += QStringLiteral("页面未取回：") + QString::fromStdString(lv::base::chinese(lv::net::failure_of(result.outcome))) +
                QStringLiteral("。");
    }
    if (result.outcome.fetched() || !result.rows.empty()) {
      status += QStringLiteral("切出 ") + to_qstring(result.summary) +
                QStringLiteral("（页面 %1 字节）。").arg(static_cast<qulonglong>(result.page_bytes));
    }
  }
  status_->setText(status);

  items_->setRowCount(0);
  detail_->clear();
  values_.clear();
  items_->setRowCount(static_cast<int>(result.rows.size()));
  for (std::size_t i = 0; i < result.rows.size(); ++i) {
    const lv::routines::TrialRow& row = result.rows[i];
    const int r = static_cast<int>(i);
    items_->setItem(r, 0, new QTableWidgetItem(to_qstring(row.label)));
    QString shown = marker_for_editing(row.value);
    if (shown.size() > kCellLength) shown = shown.left(kCellLength) + QStringLiteral("…");
    auto* value = new QTableWidgetItem(row.value.empty() ? QStringLiteral("（空）") : shown);
    if (row.value.empty()) value->setForeground(QColor(0x80, 0x80, 0x80));
    items_->setItem(r, 1, value);
    values_.push_back(row.value);
  }
  if (!values_.empty()) items_->setCurrentCell(0, 1);
  emit result_shown();
}

void RulesTrialPane::show_item(int row) {
  if (row < 0 || static_cast<std::size_t>(row) >= values_.size()) {
    detail_->clear();
    return;
  }
  detail_->setPlainText(to_qstring(values_[static_cast<std::size_t>(row)]));
}

void RulesTrialPane::follow_item(int row) {
  if (row < 0 || static_cast<std::size_t>(row) >= values_.size() || values_[static_cast<std::size_t>(row)].empty()) return;
  const QString label = items_->item(row, 0)->text();
  const QString value = to_qstring(values_[static_cast<std::size_t>(row)]);
  if (shown_page_ == TrialPage::listing && label.startsWith(QStringLiteral("地址 "))) {
    choose(TrialPage::book, value);
  } else if (shown_page_ == TrialPage::book && label.startsWith(QStringLiteral("章节地址 "))) {
    // A chapter address is relative to its book page's address.
    choose(TrialPage::chapter, to_qstring(shown_address_) + value);
  } else {
    return;
  }
  try_page();
}

}  // namespace lv::app
