#pragma once
// Site rules kept in a file: JSON with a version number, texts in UTF-8. A
// file may name only the rules the user changed; the rest stay built in.
#include <cstddef>
#include <stdexcept>
#include <string>

#include "scrape/site_rules.h"

namespace lv::routines {

inline constexpr int kRulesFileVersion = 1;
// The largest rules file read: the built-in rules take some 3 KB.
inline constexpr std::size_t kRulesFileLimit = 1 << 20;

// Why a rules file was refused, naming the field ("listing.titles.start: ...").
struct RulesError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

// Reads rules from JSON text; throws RulesError for text that is not JSON, a
// version this program does not know, an unknown key, a value of the wrong
// kind, an empty marker or a position below 1.
lv::scrape::SiteRules rules_from_json(const std::string& json);
std::string rules_to_json(const lv::scrape::SiteRules& rules);

// The same through a file; a file that cannot be read or written is a RulesError
// too, and so is anything but a regular file of at most kRulesFileLimit bytes.
lv::scrape::SiteRules load_rules_file(const std::string& path);
void save_rules_file(const std::string& path, const lv::scrape::SiteRules& rules);

}  // namespace lv::routines
