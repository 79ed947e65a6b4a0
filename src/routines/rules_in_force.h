#pragma once
// The site rules every routine cuts pages by: the built-in ones until others
// are put in force (a rules file, the rules dialog). A routine reads them once
// when it starts, so a change takes effect from the next page load on.
#include <memory>

#include "scrape/site_rules.h"

namespace lv::routines {

std::shared_ptr<const lv::scrape::SiteRules> rules_in_force();
void put_rules_in_force(lv::scrape::SiteRules rules);

}  // namespace lv::routines
