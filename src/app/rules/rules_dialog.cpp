#include "app/rules/rules_dialog.h"

#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QSplitter>
#include <QVBoxLayout>

#include "app/shell/app_context.h"
#include "app/widgets/gbk_qstring.h"
#include "app/rules/rules_form.h"
#include "app/rules/rules_store.h"
#include "app/rules/rules_text.h"
#include "app/rules/rules_trial_pane.h"
#include "app/shell/message_box.h"
#include "routines/rules_file.h"
#include "routines/rules_in_force.h"

namespace lv::app {

namespace {

QPushButton* make_button(const QString& caption, QWidget* parent) {
  auto* button = new QPushButton(caption, parent);
  button->setObjectName(caption);
  // Enter in a marker field must not close the dialog.
  button->setAutoDefault(false);
  return button;
}

void say_refused(const QString& why, const lv::routines::RulesError& error) {
  const lv::base::Text caption = to_gbk(QStringLiteral("采集规则"));
  message_box(to_gbk(why + QStringLiteral("\n\n") + rules_refusal_text(error.what())), 0x30, caption);
}

}  // namespace

RulesDialog::RulesDialog(AppContext& context, QWidget* parent) : QDialog(parent), context_(context) {
  setObjectName(QStringLiteral("采集规则"));
  setWindowTitle(QStringLiteral("采集规则"));
  setSizeGripEnabled(true);

  form_ = new RulesForm(this);
  form_->set_site_host_hint(to_qstring(context_.site_host));
  const auto rules = lv::routines::rules_in_force();
  form_->show_rules(*rules);
  opened_host_ = rules->site_host;

  trial_ = new RulesTrialPane(
      [this]() -> std::optional<lv::scrape::SiteRules> {
        return checked_rules(QStringLiteral("采集规则有误，无法试用："));
      },
      [this] { return host_in_use(to_gbk(form_->site_host_edit().text().trimmed())); },
      this);

  auto* split = new QSplitter(Qt::Horizontal, this);
  split->addWidget(form_);
  split->addWidget(trial_);
  split->setStretchFactor(0, 1);
  split->setStretchFactor(1, 1);
  split->setSizes({720, 420});
  split->setChildrenCollapsible(false);

  QPushButton* defaults = make_button(QStringLiteral("恢复默认"), this);
  QPushButton* ok = make_button(QStringLiteral("确定"), this);
  QPushButton* cancel = make_button(QStringLiteral("取消"), this);
  connect(defaults, &QPushButton::clicked, this, &RulesDialog::restore_defaults);
  connect(ok, &QPushButton::clicked, this, [this] { keep_rules(); });
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

  auto* buttons = new QHBoxLayout;
  buttons->addWidget(defaults);
  buttons->addStretch(1);
  buttons->addWidget(ok);
  buttons->addWidget(cancel);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(split, 1);
  layout->addLayout(buttons);
  resize(1160, 660);
}

std::optional<lv::scrape::SiteRules> RulesDialog::checked_rules(const QString& why) {
  try {
    return form_->edited_rules();
  } catch (const lv::routines::RulesError& error) {
    say_refused(why, error);
    const std::string what = error.what();
    form_->focus_field(what.substr(0, what.rfind(": ")));
    return std::nullopt;
  }
}

lv::base::Text RulesDialog::host_in_use(const lv::base::Text& edited_host) const {
  // A host the file named at start-up may have given way to --site or --demo:
  // only one edited here takes over.
  if (!edited_host.empty() && edited_host != opened_host_) return edited_host;
  return context_.site_host;
}

bool RulesDialog::keep_rules() {
  const std::optional<lv::scrape::SiteRules> rules = checked_rules(QStringLiteral("采集规则有误，未保存："));
  if (!rules) return false;
  try {
    lv::app::keep_rules(*rules);
  } catch (const lv::routines::RulesError& error) {
    say_refused(QStringLiteral("采集规则未能保存，仍用原有规则："), error);
    return false;
  }
  context_.site_host = host_in_use(rules->site_host);
  accept();
  return true;
}

void RulesDialog::restore_defaults() { form_->show_rules(lv::scrape::built_in_rules()); }

}  // namespace lv::app
