#pragma once
// The "试一试" pane of the rules dialog: fetches a listing page, a book page
// or a chapter page as a task and lists what the rules being edited cut
// out of it, item by item, with the whole of the chosen item below.
#include <QWidget>
#include <array>
#include <functional>
#include <optional>

#include "app/shell/task.h"
#include "base/text.h"
#include "routines/rules_trial.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QTableWidget;

namespace lv::app {

class RulesTrialPane final : public QWidget {
  Q_OBJECT

 public:
  // `rules`: the rules as edited, or nullopt when they are refused (the
  // caller has said why). `site_host`: the host pages are tried on.
  RulesTrialPane(std::function<std::optional<lv::scrape::SiteRules>()> rules,
                 std::function<lv::base::Text()> site_host, QWidget* parent = nullptr);

  // Chooses the kind of page and what names it (a page number or an address).
  void choose(lv::routines::TrialPage page, const QString& which);
  // "试一试": starts the fetch and returns; the result replaces the list when
  // it arrives; a later trial stops this one. False when the rules were
  // refused or no thread could start.
  bool try_page();
  bool running() const { return running_; }

  QTableWidget& items() const { return *items_; }
  QLabel& status() const { return *status_; }

 signals:
  void result_shown();

 private:
  void kind_changed(int index);
  void show_result(const lv::routines::TrialResult& result, lv::routines::TrialPage page);
  void show_item(int row);
  void follow_item(int row);
  lv::routines::TrialPage page() const;

  std::function<std::optional<lv::scrape::SiteRules>()> rules_;
  std::function<lv::base::Text()> site_host_;
  QComboBox* kind_ = nullptr;
  QLabel* which_label_ = nullptr;
  QLineEdit* which_ = nullptr;
  QPushButton* try_button_ = nullptr;
  QLabel* status_ = nullptr;
  QTableWidget* items_ = nullptr;
  QPlainTextEdit* detail_ = nullptr;

  std::array<QString, 3> inputs_;     // what was typed for each kind of page
  int shown_kind_ = 0;
  bool running_ = false;              // a trial's result is still awaited
  lv::base::Text shown_address_;      // the page whose items are listed
  lv::routines::TrialPage shown_page_ = lv::routines::TrialPage::listing;
  std::vector<lv::base::Text> values_;  // the listed items' values, exactly
  Task trial_;  // last: stopped and joined before the rest goes
};

}  // namespace lv::app
