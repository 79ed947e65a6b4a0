#pragma once
// The "采集规则" dialog: the site rules' fields on the left, the "试一试"
// pane on the right. "确定" checks the rules as the rules file does, saves
// them and puts them in force; a refusal names the field and changes nothing.
// "恢复默认" shows the built-in rules, kept only by "确定".
#include <QDialog>
#include <optional>

#include "base/text.h"
#include "scrape/site_rules.h"

namespace lv::app {

struct AppContext;
class RulesForm;
class RulesTrialPane;

class RulesDialog final : public QDialog {
  Q_OBJECT

 public:
  // Shows the rules in force. `context.site_host` is the host the program
  // uses; a site host edited here replaces it on "确定".
  explicit RulesDialog(AppContext& context, QWidget* parent = nullptr);

  // "确定": true when the rules were kept and the dialog closed.
  bool keep_rules();
  // "恢复默认"
  void restore_defaults();

  RulesForm& form() const { return *form_; }
  RulesTrialPane& trial() const { return *trial_; }

 private:
  // The rules as edited; a refusal is shown in a message box whose first
  // line is `why`, its field gets the focus, and nullopt comes back.
  std::optional<lv::scrape::SiteRules> checked_rules(const QString& why);
  // The host pages go to with this site host field.
  lv::base::Text host_in_use(const lv::base::Text& edited_host) const;

  AppContext& context_;
  lv::base::Text opened_host_;  // the site host field as the dialog opened
  RulesForm* form_ = nullptr;
  RulesTrialPane* trial_ = nullptr;
};

}  // namespace lv::app
