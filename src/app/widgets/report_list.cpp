#include "app/widgets/report_list.h"

#include <QHeaderView>
#include <QMouseEvent>

namespace lv::app {

namespace {

QStringList headings_of(const std::vector<ReportColumn>& columns) {
  QStringList headings;
  for (const auto& column : columns) headings.push_back(column.heading);
  return headings;
}

// ASCII letters folded to lower case; the trail byte of a double-byte GBK
// character is left alone, since it can look like a letter.
lv::base::Text fold_case(std::string_view text) {
  lv::base::Text out(text);
  for (std::size_t i = 0; i < out.size(); ++i) {
    const auto byte = static_cast<unsigned char>(out[i]);
    if (byte >= 0x80) {
      ++i;
    } else if (byte >= 'A' && byte <= 'Z') {
      out[i] = static_cast<char>(byte - 'A' + 'a');
    }
  }
  return out;
}

bool matches(std::string_view cell, std::string_view sought, bool exact) {
  return exact ? cell == sought : cell.starts_with(sought);
}

}  // namespace

ReportList::ReportList(const std::vector<ReportColumn>& columns, QWidget* parent)
    : QTreeView(parent), model_(headings_of(columns)) {
  setModel(&model_);
  setRootIsDecorated(false);
  setItemsExpandable(false);
  setUniformRowHeights(true);  // keeps tens of thousands of rows cheap to lay out
  setSortingEnabled(false);
  setAllColumnsShowFocus(true);
  setSelectionBehavior(QAbstractItemView::SelectRows);
  setSelectionMode(QAbstractItemView::SingleSelection);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  header()->setStretchLastSection(false);
  header()->setSectionsMovable(false);
  for (int i = 0; i < static_cast<int>(columns.size()); ++i) setColumnWidth(i, columns[static_cast<std::size_t>(i)].width);
}

int ReportList::insert_row(std::optional<int> position, std::string_view caption) {
  return model_.insert_row(position.value_or(-1), caption);
}

void ReportList::set_cell(int row, int column, std::string_view text) { model_.set_cell(row, column, text); }

lv::base::Text ReportList::cell_text(int row, int column) const { return model_.cell(row, column); }

int ReportList::find_row(std::string_view text, std::optional<int> start, bool exact, int column) const {
  const int first = std::max(start.value_or(0), 0);
  const int rows = model_.row_count();
  const int columns = model_.column_count();
  if (column == 0 || column == -1) {
    const lv::base::Text sought = fold_case(text);
    for (int row = first; row < rows; ++row) {
      if (matches(fold_case(model_.cell(row, 0)), sought, exact)) return row;
    }
    if (column == 0) return -1;
    for (int row = first; row < rows; ++row) {
      for (int c = 1; c < columns; ++c) {
        if (matches(model_.cell(row, c), text, exact)) return row;
      }
    }
    return -1;
  }
  if (column < 1 || column >= columns) return -1;
  for (int row = first; row < rows; ++row) {
    if (matches(model_.cell(row, column), text, exact)) return row;
  }
  return -1;
}

int ReportList::selected_row() const {
  const QModelIndexList rows = selectionModel()->selectedRows();
  if (rows.isEmpty()) return -1;
  int first = rows.first().row();
  for (const QModelIndex& index : rows) first = std::min(first, index.row());
  return first;
}

void ReportList::select_row(int row) {
  if (row < 0 || row >= model_.row_count()) {
    selectionModel()->clearSelection();
    return;
  }
  const QModelIndex index = model_.index(row, 0);
  selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
  scrollTo(index, QAbstractItemView::EnsureVisible);
}

void ReportList::append_rows(std::vector<lv::routines::BookRecord>&& records) {
  std::vector<std::vector<lv::base::Text>> rows;
  rows.reserve(records.size());
  for (auto& record : records) {
    rows.push_back({std::move(record.id), std::move(record.title), std::move(record.latest), std::move(record.address),
                    std::move(record.category)});
  }
  model_.append_rows(std::move(rows));
}

void ReportList::mousePressEvent(QMouseEvent* event) {
  QTreeView::mousePressEvent(event);
  if (event->button() == Qt::RightButton) emit context_menu_requested(event->globalPosition().toPoint());
}

}  // namespace lv::app
