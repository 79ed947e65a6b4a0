// collect: the category collection without windows, one book per line.
#include <cstdio>

#include "cli/commands.h"
#include "cli/json.h"
#include "routines/collect_category.h"
#include "routines/site.h"

namespace lv::cli {

namespace {

void parse_pages(const std::string& range, int& first, int& last) {
  const auto dash = range.find('-');
  if (dash == std::string::npos) {
    first = last = parse_int(range, "--pages");
  } else {
    first = parse_int(range.substr(0, dash), "--pages");
    last = parse_int(range.substr(dash + 1), "--pages");
  }
  if (first < 1 || last > lv::routines::kListingPageCount || first > last) {
    throw UsageError("--pages must be FIRST-LAST within 1-146");
  }
}

}  // namespace

int run_collect(const Globals& globals, Args args) {
  lv::routines::CollectionOptions options;
  options.site_host = globals.site_host;
  options.last_page = lv::routines::kListingPageCount;
  if (const auto pages = args.take_value("--pages")) parse_pages(*pages, options.first_page, options.last_page);
  if (const auto jobs = args.take_int("--jobs")) options.jobs = check_jobs(*jobs);
  args.positionals(0, "lorevane-cli collect [--pages FIRST-LAST] [--jobs N]");

  lv::routines::SharedState state;
  state.set_book_id_counter("0");
  std::string lines;  // one page's rows, written at once
  const auto report = lv::routines::collect_category(options, state, [&lines](std::vector<lv::routines::BookRecord>&& rows) {
    lines.clear();
    for (const auto& row : rows) {
      lines += "{\"id\":";
      append_json_gbk(lines, row.id);
      lines += ",\"title\":";
      append_json_gbk(lines, row.title);
      lines += ",\"latest\":";
      append_json_gbk(lines, row.latest);
      lines += ",\"address\":";
      append_json_gbk(lines, row.address);
      lines += ",\"category\":";
      append_json_gbk(lines, row.category);
      lines += "}\n";
    }
    std::fwrite(lines.data(), 1, lines.size(), stdout);
    std::fflush(stdout);
  });
  for (const auto& missing : report.missing) {
    std::fprintf(stderr, "lorevane-cli: listing page %d missing (%s): %s\n", missing.page, missing.address.c_str(),
                 lv::base::english(missing.failure).c_str());
  }
  return report.missing.empty() ? 0 : kExitIncomplete;
}

}  // namespace lv::cli
