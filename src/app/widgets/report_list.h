#pragma once
// The report list: rows of GBK cells under column headings, whole-row single
// selection, no grid, no sorting.
#include <QPoint>
#include <QTreeView>
#include <optional>
#include <string_view>
#include <vector>

#include "app/widgets/report_model.h"
#include "base/text.h"
#include "routines/collect_category.h"

namespace lv::app {

struct ReportColumn {
  QString heading;
  int width = 50;
};

class ReportList : public QTreeView {
  Q_OBJECT

 public:
  explicit ReportList(const std::vector<ReportColumn>& columns, QWidget* parent = nullptr);

  int row_count() const { return model_.row_count(); }
  // An omitted or negative position appends. Returns the new row's index.
  int insert_row(std::optional<int> position = std::nullopt, std::string_view caption = {});
  void set_cell(int row, int column = 0, std::string_view text = {});
  // "" for a cell that does not exist.
  lv::base::Text cell_text(int row, int column = 0) const;

  // Column 0: caption equal to (exact) or beginning with the text, letter
  // case ignored. Columns 1 .. count-1: cell bytes equal to or beginning with
  // the text, case significant. Column -1: the caption search, then every
  // other column of each row. Rows before `start` are never looked at.
  // Returns the first matching row, or -1.
  int find_row(std::string_view text, std::optional<int> start = std::nullopt, bool exact = true,
                         int column = 0) const;

  // First selected row, -1 for none.
  int selected_row() const;
  // Selects the row and scrolls it into view; -1 clears the selection.
  void select_row(int row);

  // Appends book records in their order, one batch.
  void append_rows(std::vector<lv::routines::BookRecord>&& records);

  ReportModel& report_model() { return model_; }

 signals:
  // Right mouse button pressed on the list, at this global position.
  void context_menu_requested(QPoint global_position);

 protected:
  void mousePressEvent(QMouseEvent* event) override;

 private:
  ReportModel model_;
};

}  // namespace lv::app
