#include "app/rules/rules_cleaning_table.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include "app/rules/rules_text.h"
#include "routines/rules_file.h"

namespace lv::app {

namespace {

enum Column { kFind = 0, kReplacement, kCount, kCase, kColumns };
constexpr const char* kKeys[kColumns] = {"find", "replacement", "count", "case_sensitive"};

}  // namespace

CleaningTable::CleaningTable(std::string path, QWidget* parent) : QWidget(parent), path_(std::move(path)) {
  table_ = new QTableWidget(0, kColumns, this);
  table_->setObjectName(QString::fromStdString(path_));
  table_->setHorizontalHeaderLabels(
      {QStringLiteral("查找"), QStringLiteral("替换为"), QStringLiteral("次数（0 为全部）"), QStringLiteral("区分大小写")});
  table_->horizontalHeader()->setSectionResizeMode(kFind, QHeaderView::Stretch);
  table_->horizontalHeader()->setSectionResizeMode(kReplacement, QHeaderView::Stretch);
  table_->horizontalHeader()->setSectionResizeMode(kCount, QHeaderView::ResizeToContents);
  table_->horizontalHeader()->setSectionResizeMode(kCase, QHeaderView::ResizeToContents);
  table_->verticalHeader()->setDefaultSectionSize(22);
  table_->setSelectionBehavior(QAbstractItemView::SelectRows);
  table_->setSelectionMode(QAbstractItemView::SingleSelection);
  table_->setToolTip(QStringLiteral("自上而下依次执行；\\r 回车，\\n 换行，\\t 制表符，\\\\ 反斜杠，\\s 首尾的空格"));

  auto* add = new QPushButton(QStringLiteral("添加"), this);
  add->setObjectName(QStringLiteral("添加"));
  auto* remove = new QPushButton(QStringLiteral("删除"), this);
  remove->setObjectName(QStringLiteral("删除"));
  for (QPushButton* b : {add, remove}) b->setAutoDefault(false);
  connect(add, &QPushButton::clicked, this, &CleaningTable::add_step);
  connect(remove, &QPushButton::clicked, this, &CleaningTable::remove_step);

  auto* buttons = new QVBoxLayout;
  buttons->addWidget(add);
  buttons->addWidget(remove);
  buttons->addStretch(1);
  auto* layout = new QHBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(table_, 1);
  layout->addLayout(buttons);
}

void CleaningTable::show_steps(const std::vector<lv::scrape::ReplaceRule>& steps) {
  table_->setRowCount(0);
  for (const auto& step : steps) append_row(step);
}

void CleaningTable::append_row(const lv::scrape::ReplaceRule& step) {
  const int row = table_->rowCount();
  table_->insertRow(row);
  table_->setItem(row, kFind, new QTableWidgetItem(marker_for_editing(step.find)));
  table_->setItem(row, kReplacement, new QTableWidgetItem(marker_for_editing(step.replacement)));
  auto* count = new QTableWidgetItem;
  count->setData(Qt::EditRole, step.count);
  table_->setItem(row, kCount, count);
  auto* case_item = new QTableWidgetItem;
  case_item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
  case_item->setCheckState(step.case_sensitive ? Qt::Checked : Qt::Unchecked);
  table_->setItem(row, kCase, case_item);
}

std::vector<lv::scrape::ReplaceRule> CleaningTable::steps() const {
  std::vector<lv::scrape::ReplaceRule> steps;
  for (int row = 0; row < table_->rowCount(); ++row) {
    const std::string cell = path_ + "[" + std::to_string(row) + "].";
    const auto text = [&](Column column) {
      const QTableWidgetItem* item = table_->item(row, column);
      const auto read = marker_from_editing(item != nullptr ? item->text() : QString());
      if (!read) throw lv::routines::RulesError(cell + kKeys[column] + ": holds a character GBK cannot hold");
      return *read;
    };
    lv::scrape::ReplaceRule step;
    step.find = text(kFind);
    step.replacement = text(kReplacement);
    step.count = table_->item(row, kCount)->data(Qt::EditRole).toInt();
    step.case_sensitive = table_->item(row, kCase)->checkState() == Qt::Checked;
    steps.push_back(std::move(step));
  }
  return steps;
}

void CleaningTable::add_step() {
  // A new step starts empty: the check refuses it until a find text is written.
  append_row({});
  const int row = table_->rowCount() - 1;
  table_->setCurrentCell(row, kFind);
  table_->editItem(table_->item(row, kFind));
}

void CleaningTable::remove_step() {
  const int row = table_->currentRow();
  if (row >= 0) table_->removeRow(row);
}

void CleaningTable::focus_cell(std::string_view path) {
  // "<list>[row].key"
  const std::size_t open = path.find('[', path_.size());
  const std::size_t close = path.find(']', open);
  if (open == std::string_view::npos || close == std::string_view::npos) {
    table_->setFocus(Qt::OtherFocusReason);
    return;
  }
  const int row = std::atoi(std::string(path.substr(open + 1, close - open - 1)).c_str());
  int column = kFind;
  for (int c = 0; c < kColumns; ++c) {
    if (path.ends_with(std::string(".") + kKeys[c])) column = c;
  }
  if (row >= 0 && row < table_->rowCount()) table_->setCurrentCell(row, column);
  table_->setFocus(Qt::OtherFocusReason);
}

}  // namespace lv::app
