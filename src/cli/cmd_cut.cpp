// cut: tries markers on a saved page.
#include <CLI/CLI.hpp>

#include <cstdio>
#include <fstream>
#include <iostream>
#include <iterator>
#include <memory>
#include <sstream>

#include "base/code_page.h"
#include "cli/commands.h"
#include "cli/json.h"
#include "scrape/extract.h"

namespace lv::cli {

namespace {

struct CutOptions {
  std::string file, start, end;
  int from = 1;
  int max_length = 0;
  std::string prefix, suffix;
  bool case_sensitive = false, ignore_case = false, first = false, keep_start = false, keep_end = false;
};

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

int run_cut(const CutOptions& o) {
  std::string page;
  if (!read_page(o.file, page)) {
    std::fprintf(stderr, "lorevane-cli: cannot read %s\n", o.file.c_str());
    return 1;
  }
  const lv::base::Text start = lv::base::utf8_to_gbk(o.start);
  const lv::base::Text end = lv::base::utf8_to_gbk(o.end);

  if (o.first) {
    print_line(gbk_value(lv::scrape::extract_between(page, start, end, o.from, o.ignore_case)));
    return 0;
  }
  lv::scrape::ExtractOptions options;
  options.case_sensitive = o.case_sensitive;
  options.start_position = o.from;
  options.max_length = o.max_length;
  options.prefix = lv::base::utf8_to_gbk(o.prefix);
  options.suffix = lv::base::utf8_to_gbk(o.suffix);
  options.keep_start = o.keep_start;
  options.keep_end = o.keep_end;
  lv::scrape::ResultList items;
  lv::scrape::extract_all_between(page, start, end, items, options);
  for (const auto& item : items) print_line(gbk_value(item));
  return 0;
}

}  // namespace

CommandRun add_cut(CLI::App& cli) {
  auto o = std::make_shared<CutOptions>();
  CLI::App* cut = cli.add_subcommand("cut", "the items between two markers in a saved page");
  cut->add_option("FILE", o->file, "the page, - for standard input")->required();
  cut->add_option("START", o->start, "the start marker")->required();
  cut->add_option("END", o->end, "the end marker")->required();
  cut->add_option("--from", o->from, "search from byte N (the first is 1)")->type_name("N");
  CLI::Option* sensitive = cut->add_flag("--case-sensitive", o->case_sensitive, "tell capitals apart");
  cut->add_flag("--ignore-case", o->ignore_case, "fold capitals")->excludes(sensitive);
  CLI::Option* first = cut->add_flag("--first", o->first, "only the first item, untrimmed, capitals told apart");
  first->excludes(cut->add_option("--max-length", o->max_length, "stop at an item over N bytes")->type_name("N"));
  first->excludes(cut->add_option("--prefix", o->prefix, "put P before each item")->type_name("P"));
  first->excludes(cut->add_option("--suffix", o->suffix, "put S after each item")->type_name("S"));
  first->excludes(cut->add_flag("--keep-start", o->keep_start, "keep the start marker"));
  first->excludes(cut->add_flag("--keep-end", o->keep_end, "keep the end marker"));
  return [o] { return run_cut(*o); };
}

}  // namespace lv::cli
