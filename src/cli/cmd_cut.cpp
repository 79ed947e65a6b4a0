// cut: tries markers on a saved page.
#include <cstdio>
#include <fstream>
#include <iostream>
#include <iterator>
#include <sstream>

#include "base/code_page.h"
#include "cli/commands.h"
#include "cli/json.h"
#include "scrape/extract.h"

namespace lv::cli {

namespace {

constexpr const char* kUsage =
    "lorevane-cli cut FILE START END [--from N] [--case-sensitive|--ignore-case] [--first] "
    "[--max-length N] [--prefix P] [--suffix S] [--keep-start] [--keep-end]";

bool read_all(const std::string& path, std::string& out) {
  if (path == "-") {
    std::ostringstream buffer;
    buffer << std::cin.rdbuf();
    out = buffer.str();
    return !std::cin.bad();
  }
  std::ifstream file(path, std::ios::binary);
  if (!file) return false;
  out.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
  return !file.bad();
}

// A page's text ends at its first zero byte, as the program reads a page.
bool read_page(const std::string& path, std::string& out) {
  if (!read_all(path, out)) return false;
  if (const auto zero = out.find('\0'); zero != std::string::npos) out.resize(zero);
  return true;
}

}  // namespace

int run_cut(Args args) {
  lv::scrape::ExtractOptions options;
  const bool case_sensitive = args.take_flag("--case-sensitive");
  const bool ignore_case = args.take_flag("--ignore-case");
  if (case_sensitive && ignore_case) throw UsageError("--case-sensitive and --ignore-case exclude each other");
  const bool first = args.take_flag("--first");
  const auto from = args.take_int("--from");
  const auto max_length = args.take_int("--max-length");
  const auto prefix = args.take_value("--prefix");
  const auto suffix = args.take_value("--suffix");
  options.keep_start = args.take_flag("--keep-start");
  options.keep_end = args.take_flag("--keep-end");
  const auto positional = args.positionals(3, kUsage);
  if (first && (max_length || prefix || suffix || options.keep_start || options.keep_end)) {
    throw UsageError("--first takes only --from and --ignore-case/--case-sensitive");
  }

  std::string page;
  if (!read_page(positional[0], page)) {
    std::fprintf(stderr, "lorevane-cli: cannot read %s\n", positional[0].c_str());
    return 1;
  }
  const lv::base::Text start = lv::base::utf8_to_gbk(positional[1]);
  const lv::base::Text end = lv::base::utf8_to_gbk(positional[2]);

  if (first) {
    const auto item = lv::scrape::extract_between(page, start, end, from.value_or(1), ignore_case);
    std::printf("%s\n", json_gbk(item).c_str());
    return 0;
  }
  options.case_sensitive = case_sensitive;
  options.start_position = from.value_or(1);
  options.max_length = max_length.value_or(0);
  if (prefix) options.prefix = lv::base::utf8_to_gbk(*prefix);
  if (suffix) options.suffix = lv::base::utf8_to_gbk(*suffix);
  lv::scrape::ResultList items;
  lv::scrape::extract_all_between(page, start, end, items, options);
  for (const auto& item : items) std::printf("%s\n", json_gbk(item).c_str());
  return 0;
}

}  // namespace lv::cli
