#include "routines/rules_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>

#include "base/code_page.h"

namespace lv::routines {

namespace {

using nlohmann::json;
using lv::scrape::CutRule;
using lv::scrape::LabelledRule;
using lv::scrape::ReplaceRule;
using lv::scrape::SiteRules;

[[noreturn]] void refuse(const std::string& field, const std::string& why) {
  throw RulesError(field + ": " + why);
}

// Reads one JSON object into a rule, field by field; a key the rule does not
// have is refused, a key the object lacks keeps the rule's value.
class Reader final {
 public:
  Reader(const json& object, std::string path) : object_(object), path_(std::move(path)) {
    if (!object_.is_object()) refuse(path_.empty() ? "rules" : path_, "must be an object");
  }

  // Call once every field has been read: anything left is unknown.
  void finish() const {
    for (const auto& [key, value] : object_.items()) {
      if (std::find(read_.begin(), read_.end(), key) == read_.end()) refuse(field(key), "unknown key");
    }
  }

  const json* find(const std::string& key) {
    read_.push_back(key);
    const auto it = object_.find(key);
    return it == object_.end() ? nullptr : &*it;
  }
  std::string field(const std::string& key) const { return path_.empty() ? key : path_ + "." + key; }

  void text(const std::string& key, lv::base::Text& out, bool may_be_empty = true) {
    if (const json* v = find(key)) {
      if (!v->is_string()) refuse(field(key), "must be a text");
      out = lv::base::utf8_to_gbk(v->get<std::string>());
    }
    if (!may_be_empty && out.empty()) refuse(field(key), "a marker may not be empty");
  }
  void number(const std::string& key, int& out, int lowest) {
    if (const json* v = find(key)) {
      if (!v->is_number_integer()) refuse(field(key), "must be a whole number");
      const auto n = v->get<long long>();
      if (n < lowest || n > 1'000'000'000) refuse(field(key), "must be " + std::to_string(lowest) + " or more");
      out = static_cast<int>(n);
    }
  }
  void flag(const std::string& key, bool& out) {
    if (const json* v = find(key)) {
      if (!v->is_boolean()) refuse(field(key), "must be true or false");
      out = v->get<bool>();
    }
  }
  template <typename Fill>
  void object(const std::string& key, Fill fill) {
    if (const json* v = find(key)) {
      Reader inner(*v, field(key));
      fill(inner);
      inner.finish();
    }
  }

 private:
  const json& object_;
  std::string path_;
  std::vector<std::string> read_;
};

void read_cut(Reader& r, CutRule& rule) {
  r.text("start", rule.start, false);
  r.text("end", rule.end, false);
  r.number("from", rule.from, 1);
  r.flag("case_sensitive", rule.case_sensitive);
}

void read_cut(Reader& r, const std::string& key, CutRule& rule) {
  r.object(key, [&](Reader& inner) { read_cut(inner, rule); });
}

void read_labelled(Reader& r, const std::string& key, LabelledRule& rule) {
  r.object(key, [&](Reader& inner) {
    read_cut(inner, rule.cut);
    inner.text("label", rule.label);
  });
}

// A cleaning list given in the file replaces the built-in one as a whole.
void read_cleaning(Reader& r, const std::string& key, std::vector<ReplaceRule>& steps) {
  const json* v = r.find(key);
  if (v == nullptr) return;
  if (!v->is_array()) refuse(r.field(key), "must be a list");
  std::vector<ReplaceRule> read;
  for (std::size_t i = 0; i < v->size(); ++i) {
    ReplaceRule step;
    Reader item((*v)[i], r.field(key) + "[" + std::to_string(i) + "]");
    item.text("find", step.find, false);
    item.text("replacement", step.replacement);
    item.number("count", step.count, 0);
    item.flag("case_sensitive", step.case_sensitive);
    item.finish();
    read.push_back(std::move(step));
  }
  steps = std::move(read);
}

json cut_json(const CutRule& rule) {
  return {{"start", lv::base::gbk_to_utf8(rule.start)},
          {"end", lv::base::gbk_to_utf8(rule.end)},
          {"from", rule.from},
          {"case_sensitive", rule.case_sensitive}};
}

json labelled_json(const LabelledRule& rule) {
  json j = cut_json(rule.cut);
  j["label"] = lv::base::gbk_to_utf8(rule.label);
  return j;
}

json cleaning_json(const std::vector<ReplaceRule>& steps) {
  json list = json::array();
  for (const ReplaceRule& s : steps) {
    list.push_back({{"find", lv::base::gbk_to_utf8(s.find)},
                    {"replacement", lv::base::gbk_to_utf8(s.replacement)},
                    {"count", s.count},
                    {"case_sensitive", s.case_sensitive}});
  }
  return list;
}

}  // namespace

SiteRules rules_from_json(const std::string& text) {
  json root;
  try {
    root = json::parse(text);
  } catch (const json::exception& e) {
    throw RulesError(std::string("not a rules file: ") + e.what());
  }
  SiteRules rules = lv::scrape::built_in_rules();
  Reader r(root, "");
  int version = 0;
  if (!root.contains("version")) refuse("version", "missing");
  r.number("version", version, 1);
  if (version != kRulesFileVersion) refuse("version", "this program reads version " + std::to_string(kRulesFileVersion));
  r.text("site_host", rules.site_host);
  r.object("listing", [&](Reader& l) {
    read_cut(l, "titles", rules.listing.titles);
    l.text("title_prefix", rules.listing.title_prefix);
    l.text("title_suffix", rules.listing.title_suffix);
    read_cut(l, "addresses", rules.listing.addresses);
    read_cut(l, "latest", rules.listing.latest);
    l.text("category", rules.listing.category);
  });
  r.object("book_page", [&](Reader& b) {
    read_cut(b, "name", rules.book_page.name);
    read_cut(b, "cover", rules.book_page.cover);
    read_labelled(b, "author", rules.book_page.author);
    read_labelled(b, "category", rules.book_page.category);
    read_labelled(b, "status", rules.book_page.status);
    read_cut(b, "intro", rules.book_page.intro);
    read_cleaning(b, "intro_cleaning", rules.book_page.intro_cleaning);
  });
  r.object("chapter_list", [&](Reader& c) {
    read_cut(c, "addresses", rules.chapter_list.addresses);
    read_cut(c, "titles", rules.chapter_list.titles);
    read_cut(c, "book_title", rules.chapter_list.book_title);
  });
  // The rules dialog saves every rule, changed or not, so a file saved before
  // chapters were taken link by link still holds the old built-in end marker,
  // which would run a prologue's address on into the next link.
  if (rules.chapter_list.addresses.end == lv::scrape::old_chapter_address_end()) {
    rules.chapter_list.addresses.end = lv::scrape::built_in_rules().chapter_list.addresses.end;
  }
  r.object("chapter_text", [&](Reader& c) {
    read_cut(c, "text", rules.chapter_text.text);
    read_cleaning(c, "cleaning", rules.chapter_text.cleaning);
  });
  r.finish();
  return rules;
}

std::string rules_to_json(const SiteRules& rules) {
  const json root = {
      {"version", kRulesFileVersion},
      {"site_host", lv::base::gbk_to_utf8(rules.site_host)},
      {"listing",
       {{"titles", cut_json(rules.listing.titles)},
        {"title_prefix", lv::base::gbk_to_utf8(rules.listing.title_prefix)},
        {"title_suffix", lv::base::gbk_to_utf8(rules.listing.title_suffix)},
        {"addresses", cut_json(rules.listing.addresses)},
        {"latest", cut_json(rules.listing.latest)},
        {"category", lv::base::gbk_to_utf8(rules.listing.category)}}},
      {"book_page",
       {{"name", cut_json(rules.book_page.name)},
        {"cover", cut_json(rules.book_page.cover)},
        {"author", labelled_json(rules.book_page.author)},
        {"category", labelled_json(rules.book_page.category)},
        {"status", labelled_json(rules.book_page.status)},
        {"intro", cut_json(rules.book_page.intro)},
        {"intro_cleaning", cleaning_json(rules.book_page.intro_cleaning)}}},
      {"chapter_list",
       {{"addresses", cut_json(rules.chapter_list.addresses)},
        {"titles", cut_json(rules.chapter_list.titles)},
        {"book_title", cut_json(rules.chapter_list.book_title)}}},
      {"chapter_text",
       {{"text", cut_json(rules.chapter_text.text)}, {"cleaning", cleaning_json(rules.chapter_text.cleaning)}}},
  };
  return root.dump(2) + "\n";
}

SiteRules load_rules_file(const std::string& path) {
  // Looked at before it is opened, and opened without waiting, so that a FIFO
  // or a device is refused rather than read from; the descriptor is looked at
  // again, as the name may have changed in between.
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) throw RulesError(path + ": cannot be read");
  if (!S_ISREG(st.st_mode)) throw RulesError(path + ": not a regular file");
  if (static_cast<std::uintmax_t>(st.st_size) > kRulesFileLimit) throw RulesError(path + ": larger than 1 MiB");
  const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
  if (fd < 0) throw RulesError(path + ": cannot be read");
  std::string text;
  bool ok = ::fstat(fd, &st) == 0;
  const bool regular = ok && S_ISREG(st.st_mode);
  if (regular) {
    text.resize(kRulesFileLimit + 1);  // one byte more tells a file that is too large
    std::size_t size = 0;
    while (ok && size < text.size()) {
      const ssize_t n = ::read(fd, text.data() + size, text.size() - size);
      if (n < 0 && errno == EINTR) continue;
      ok = n >= 0;
      if (n <= 0) break;
      size += static_cast<std::size_t>(n);
    }
    text.resize(size);
  }
  ::close(fd);
  if (!ok) throw RulesError(path + ": cannot be read");
  if (!regular) throw RulesError(path + ": not a regular file");
  if (text.size() > kRulesFileLimit) throw RulesError(path + ": larger than 1 MiB");
  return rules_from_json(text);
}

void save_rules_file(const std::string& path, const SiteRules& rules) {
  const std::filesystem::path target(path);
  std::error_code ignored;
  if (target.has_parent_path()) std::filesystem::create_directories(target.parent_path(), ignored);
  // Written beside the file and renamed over it: a failed write never leaves half a rules file.
  const std::filesystem::path temporary = target.string() + ".new";
  {
    std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
    out << rules_to_json(rules);
    if (!out.flush()) throw RulesError(path + ": cannot be written");
  }
  std::filesystem::rename(temporary, target, ignored);
  if (ignored) throw RulesError(path + ": cannot be written");
}

}  // namespace lv::routines
