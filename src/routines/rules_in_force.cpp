#include "routines/rules_in_force.h"

#include <mutex>

namespace lv::routines {

namespace {

struct Holder {
  std::mutex mutex;
  std::shared_ptr<const lv::scrape::SiteRules> rules =
      std::make_shared<const lv::scrape::SiteRules>(lv::scrape::built_in_rules());
};

Holder& holder() {
  static Holder h;
  return h;
}

}  // namespace

std::shared_ptr<const lv::scrape::SiteRules> rules_in_force() {
  Holder& h = holder();
  std::lock_guard lock(h.mutex);
  return h.rules;
}

void put_rules_in_force(lv::scrape::SiteRules rules) {
  auto next = std::make_shared<const lv::scrape::SiteRules>(std::move(rules));
  Holder& h = holder();
  std::lock_guard lock(h.mutex);
  h.rules = std::move(next);
}

}  // namespace lv::routines
