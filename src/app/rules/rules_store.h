#pragma once
// The site rules the user keeps: rules.json in the user's configuration
// folder, read at start-up and written by the rules dialog.
#include <string>

#include "base/text.h"
#include "scrape/site_rules.h"

namespace lv::app {

std::string rules_file_path();

// What the rules file refuses, and a site host that is not HOST[:PORT]; a
// RulesError naming the field. The dialog and the start-up check alike.
void check_rules(const lv::scrape::SiteRules& rules);

// At start-up: when there is a rules file, its rules are put in force. A file
// that is refused leaves the rules in force and the file as they are, and one
// message box names the field. Returns the file's site host ("" for none).
lv::base::Text load_saved_rules();

// Writes the rules file, then puts the rules in force; a file that cannot be
// written changes nothing (RulesError).
void keep_rules(const lv::scrape::SiteRules& rules);

}  // namespace lv::app
