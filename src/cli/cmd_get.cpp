// get: one page or picture, raw, to standard output.
#include <CLI/CLI.hpp>

#include <cstdio>
#include <memory>

#include "cli/commands.h"
#include "net/download.h"
#include "net/page_fetch.h"

namespace lv::cli {

std::string site_url(const Globals& globals, const std::string& url) {
  if (!url.empty() && url[0] == '/') return "http://" + globals.site_host + url;
  return url;
}

namespace {

struct GetOptions {
  std::string url;
  bool bytes = false, fetch = false;
};

int run_get(const Globals& globals, const GetOptions& o) {
  const std::string url = site_url(globals, o.url);

  lv::net::TransferOutcome outcome;
  lv::net::DownloadRequest request;
  request.url = url;
  request.outcome_out = &outcome;
  lv::base::Bytes picture;
  std::string text;
  if (o.bytes) {
    picture = lv::net::download_bytes(request);
  } else if (o.fetch) {
    text = lv::net::fetch_page(url, std::nullopt, std::nullopt, std::nullopt, std::nullopt, nullptr, &outcome);
  } else {
    text = lv::net::download_text(request);
  }
  const std::string_view body = o.bytes ? picture.view() : std::string_view(text);
  if (body.empty()) {
    std::fprintf(stderr, "lorevane-cli: nothing received from %s (%s)\n", url.c_str(),
                 lv::net::describe(outcome).c_str());
    return 1;
  }
  std::fwrite(body.data(), 1, body.size(), stdout);
  // What came is printed either way; a body that did not come whole says so.
  if (!outcome.arrived_whole()) {
    std::fprintf(stderr, "lorevane-cli: %s came short: %s\n", url.c_str(), lv::net::describe(outcome).c_str());
    return kExitIncomplete;
  }
  return 0;
}

}  // namespace

CommandRun add_get(CLI::App& cli, const Globals& globals) {
  auto o = std::make_shared<GetOptions>();
  CLI::App* get = cli.add_subcommand("get", "the body, raw, as the program's page download gives it");
  get->add_option("URL", o->url, "the address")->required();
  CLI::Option* bytes = get->add_flag("--bytes", o->bytes, "as the picture download gives it");
  get->add_flag("--fetch", o->fetch, "as the windows' page fetch has it")->excludes(bytes);
  return [&globals, o] { return run_get(globals, *o); };
}

}  // namespace lv::cli
