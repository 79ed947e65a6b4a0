// collect: the category collection without windows, one book per line.
#include <CLI/CLI.hpp>

#include <charconv>
#include <cstdio>
#include <memory>

#include "cli/commands.h"
#include "cli/json.h"
#include "routines/collect_category.h"
#include "routines/site.h"

namespace lv::cli {

namespace {

struct CollectOptions {
  std::string pages;  // FIRST-LAST or one page; "" for all
  int jobs = 4;
};

bool read_page_number(std::string_view text, int& page) {
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), page);
  return error == std::errc() && end == text.data() + text.size();
}

void parse_pages(const std::string& range, int& first, int& last) {
  const auto dash = range.find('-');
  const bool read = dash == std::string::npos
                        ? read_page_number(range, first) && read_page_number(range, last)
                        : read_page_number(std::string_view(range).substr(0, dash), first) &&
                              read_page_number(std::string_view(range).substr(dash + 1), last);
  if (!read || first < 1 || last > lv::routines::kListingPageCount || first > last) {
    throw UsageError("--pages must be FIRST-LAST within 1-146");
  }
}

int run_collect(const Globals& globals, const CollectOptions& o) {
  lv::routines::CollectionOptions options;
  options.site_host = globals.site_host;
  options.last_page = lv::routines::kListingPageCount;
  if (!o.pages.empty()) parse_pages(o.pages, options.first_page, options.last_page);
  options.jobs = o.jobs;

  lv::routines::SharedState state;
  state.set_book_id_counter("0");
  std::string lines;  // one page's rows, written at once
  const auto report = lv::routines::collect_category(options, state, [&lines](std::vector<lv::routines::BookRecord>&& rows) {
    lines.clear();
    for (const auto& row : rows) {
      lines += json_text(Json{{"id", gbk_value(row.id)},
                              {"title", gbk_value(row.title)},
                              {"latest", gbk_value(row.latest)},
                              {"address", gbk_value(row.address)},
                              {"category", gbk_value(row.category)}});
      lines += '\n';
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

}  // namespace

CommandRun add_collect(CLI::App& cli, const Globals& globals) {
  auto o = std::make_shared<CollectOptions>();
  CLI::App* collect = cli.add_subcommand("collect", "the category's books from the listing pages, one book per line");
  collect->add_option("--pages", o->pages, "only listing pages FIRST to LAST (1-146)")->type_name("FIRST-LAST");
  add_jobs_option(*collect, o->jobs);
  return [&globals, o] { return run_collect(globals, *o); };
}

}  // namespace lv::cli
