#pragma once
// The rows of a report list, kept as GBK texts and shown as Unicode only when
// a cell is painted, so tens of thousands of rows stay cheap.
#include <QAbstractTableModel>
#include <QStringList>
#include <string_view>
#include <vector>

#include "base/text.h"

namespace lv::app {

class ReportModel final : public QAbstractTableModel {
  Q_OBJECT

 public:
  explicit ReportModel(QStringList headers, QObject* parent = nullptr);

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;

  int row_count() const { return rows_; }
  int column_count() const { return columns_; }

  // A position that is negative or past the end appends. Returns the row.
  int insert_row(int position, std::string_view caption);
  // Appends rows at once; each row gives its cells from column 0, missing
  // cells are empty and surplus cells are dropped.
  void append_rows(std::vector<std::vector<lv::base::Text>>&& rows);
  // Every row goes, and the memory they took.
  void clear();

  // A cell that does not exist reads as "" and is not written.
  const lv::base::Text& cell(int row, int column) const;
  void set_cell(int row, int column, std::string_view text);

 private:
  std::size_t slot(int row, int column) const {
    return static_cast<std::size_t>(row) * static_cast<std::size_t>(columns_) + static_cast<std::size_t>(column);
  }

  QStringList headers_;
  int columns_;
  int rows_ = 0;
  std::vector<lv::base::Text> cells_;  // row-major, columns_ cells per row
};

}  // namespace lv::app
