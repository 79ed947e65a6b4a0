#pragma once
// The fields of the site rules, a tab per page kind: each cut rule's start
// and end marker, start position and case rule, the texts put around or in
// front of what is cut, the cleaning steps, and the site host above them.
// Every field's object name is its key path in the rules file
// ("listing.titles.start"), so a refusal leads straight to its field.
#include <QWidget>
#include <string>
#include <string_view>
#include <vector>

#include "scrape/site_rules.h"

class QCheckBox;
class QGridLayout;
class QLineEdit;
class QSpinBox;
class QTabWidget;

namespace lv::app {

class CleaningTable;

class RulesForm final : public QWidget {
  Q_OBJECT

 public:
  explicit RulesForm(QWidget* parent = nullptr);

  void show_rules(const lv::scrape::SiteRules& rules);
  // The rules as edited, checked as the rules file is: a RulesError names
  // the field of the first refusal.
  lv::scrape::SiteRules edited_rules() const;
  // Shows the tab of the field a key path names and gives it the focus.
  void focus_field(std::string_view path);

  // What the empty site host stands for, shown greyed in its field.
  void set_site_host_hint(const QString& host);
  QLineEdit& site_host_edit() const { return *site_host_; }

 private:
  struct CutFields {
    std::string path;
    lv::scrape::CutRule& (*rule)(lv::scrape::SiteRules&);
    QLineEdit* start = nullptr;
    QLineEdit* end = nullptr;
    QSpinBox* from = nullptr;
    QCheckBox* case_sensitive = nullptr;
  };
  struct TextField {
    std::string path;
    lv::base::Text& (*text)(lv::scrape::SiteRules&);
    QLineEdit* edit = nullptr;
  };
  struct CleaningField {
    std::vector<lv::scrape::ReplaceRule>& (*steps)(lv::scrape::SiteRules&);
    CleaningTable* table = nullptr;
  };

  QWidget* add_page(const QString& title, bool with_labels, QGridLayout*& grid);
  void add_cut(QGridLayout* grid, std::string path, lv::scrape::CutRule& (*rule)(lv::scrape::SiteRules&));
  QLineEdit* add_text(std::string path, lv::base::Text& (*text)(lv::scrape::SiteRules&), QWidget* parent);
  CleaningTable* add_cleaning(std::string path, std::vector<lv::scrape::ReplaceRule>& (*steps)(lv::scrape::SiteRules&),
                              QWidget* parent);

  QTabWidget* pages_ = nullptr;
  QLineEdit* site_host_ = nullptr;
  std::vector<CutFields> cuts_;
  std::vector<TextField> texts_;
  std::vector<CleaningField> cleanings_;
};

}  // namespace lv::app
