#include "app/rules/rules_store.h"

#include <QFile>
#include <QStandardPaths>
#include <filesystem>

#include "app/widgets/gbk_qstring.h"
#include "app/rules/rules_text.h"
#include "app/shell/message_box.h"
#include "app/shell/start_up.h"
#include "routines/rules_file.h"
#include "routines/rules_in_force.h"

namespace lv::app {

std::string rules_file_path() {
  const QString folder = QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation);
  return QFile::encodeName(folder + QStringLiteral("/rules.json")).toStdString();
}

void check_rules(const lv::scrape::SiteRules& rules) {
  // Through the file's own reader, so the dialog refuses what the file would.
  const lv::scrape::SiteRules read = lv::routines::rules_from_json(lv::routines::rules_to_json(rules));
  if (!read.site_host.empty() && !valid_site_host(read.site_host)) {
    throw lv::routines::RulesError("site_host: not a host name (HOST or HOST:PORT)");
  }
}

lv::base::Text load_saved_rules() {
  const std::string path = rules_file_path();
  std::error_code ignored;
  if (!std::filesystem::exists(path, ignored)) return {};
  try {
    lv::scrape::SiteRules rules = lv::routines::load_rules_file(path);
    check_rules(rules);
    lv::base::Text host = rules.site_host;
    lv::routines::put_rules_in_force(std::move(rules));
    return host;
  } catch (const lv::routines::RulesError& error) {
    const QString text = QStringLiteral("采集规则文件未被采用，仍用内置规则：\n") +
                         QFile::decodeName(QByteArray::fromStdString(path)) + QStringLiteral("\n\n") +
                         rules_refusal_text(error.what());
    const lv::base::Text caption = to_gbk(QStringLiteral("采集规则"));
    message_box(to_gbk(text), 0x30, caption);
    return {};
  }
}

void keep_rules(const lv::scrape::SiteRules& rules) {
  lv::routines::save_rules_file(rules_file_path(), rules);
  lv::routines::put_rules_in_force(rules);
}

}  // namespace lv::app
