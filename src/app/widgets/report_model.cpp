#include "app/widgets/report_model.h"

#include <algorithm>

#include "app/widgets/gbk_qstring.h"

namespace lv::app {

ReportModel::ReportModel(QStringList headers, QObject* parent)
    : QAbstractTableModel(parent), headers_(std::move(headers)), columns_(std::max<int>(1, static_cast<int>(headers_.size()))) {}

int ReportModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : rows_; }

int ReportModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : columns_; }

QVariant ReportModel::data(const QModelIndex& index, int role) const {
  if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid)) return {};
  if (role != Qt::DisplayRole && role != Qt::ToolTipRole) return {};
  return to_qstring(cells_[slot(index.row(), index.column())]);
}

QVariant ReportModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
  if (section < 0 || section >= headers_.size()) return {};
  return headers_.at(section);
}

Qt::ItemFlags ReportModel::flags(const QModelIndex& index) const {
  if (!index.isValid()) return Qt::NoItemFlags;
  return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
}

int ReportModel::insert_row(int position, std::string_view caption) {
  if (position < 0 || position > rows_) position = rows_;
  lv::base::Text owned(caption);  // the caption may view one of our own cells
  beginInsertRows({}, position, position);
  const auto at = cells_.begin() + static_cast<std::ptrdiff_t>(slot(position, 0));
  const auto first = cells_.insert(at, static_cast<std::size_t>(columns_), lv::base::Text());
  *first = std::move(owned);
  ++rows_;
  endInsertRows();
  return position;
}

void ReportModel::append_rows(std::vector<std::vector<lv::base::Text>>&& rows) {
  if (rows.empty()) return;
  const int first = rows_;
  const int last = rows_ + static_cast<int>(rows.size()) - 1;
  beginInsertRows({}, first, last);
  const std::size_t needed = cells_.size() + rows.size() * static_cast<std::size_t>(columns_);
  // Grow geometrically: an exact reserve per batch would copy every row again.
  if (needed > cells_.capacity()) cells_.reserve(std::max(needed, cells_.capacity() * 2));
  for (auto& row : rows) {
    for (int column = 0; column < columns_; ++column) {
      const auto c = static_cast<std::size_t>(column);
      cells_.push_back(c < row.size() ? std::move(row[c]) : lv::base::Text());
    }
  }
  rows_ = last + 1;
  endInsertRows();
}

const lv::base::Text& ReportModel::cell(int row, int column) const {
  static const lv::base::Text empty;
  if (row < 0 || row >= rows_ || column < 0 || column >= columns_) return empty;
  return cells_[slot(row, column)];
}

void ReportModel::set_cell(int row, int column, std::string_view text) {
  if (row < 0 || row >= rows_ || column < 0 || column >= columns_) return;
  cells_[slot(row, column)].assign(text);
  const QModelIndex changed = index(row, column);
  emit dataChanged(changed, changed, {Qt::DisplayRole});
}

void ReportModel::clear() {
  beginResetModel();
  std::vector<lv::base::Text>().swap(cells_);
  rows_ = 0;
  endResetModel();
}

}  // namespace lv::app
