#pragma once
// The cleaning steps of a page in a small table: find, replacement, count
// (0: every occurrence) and case, run from the top row down.
#include <QWidget>
#include <string>
#include <vector>

#include "scrape/site_rules.h"

class QTableWidget;

namespace lv::app {

class CleaningTable final : public QWidget {
  Q_OBJECT

 public:
  // `path` is the list's key in the rules file ("chapter_text.cleaning"),
  // also the table's object name.
  CleaningTable(std::string path, QWidget* parent = nullptr);

  void show_steps(const std::vector<lv::scrape::ReplaceRule>& steps);
  // The steps as edited; a text GBK cannot hold is a RulesError naming the cell.
  std::vector<lv::scrape::ReplaceRule> steps() const;

  void add_step();
  void remove_step();  // the current row
  // Selects the cell a key path names ("...cleaning[1].find").
  void focus_cell(std::string_view path);

  QTableWidget& table() const { return *table_; }

 private:
  void append_row(const lv::scrape::ReplaceRule& step);

  std::string path_;
  QTableWidget* table_ = nullptr;
};

}  // namespace lv::app
