// get: one page or picture, raw, to standard output.
#include <cstdio>

#include "cli/commands.h"
#include "net/download.h"
#include "net/page_fetch.h"

namespace lv::cli {

std::string site_url(const Globals& globals, const std::string& url) {
  if (!url.empty() && url[0] == '/') return "http://" + globals.site_host + url;
  return url;
}

int run_get(const Globals& globals, Args args) {
  const bool bytes = args.take_flag("--bytes");
  const bool fetch = args.take_flag("--fetch");
  if (bytes && fetch) throw UsageError("--bytes and --fetch exclude each other");
  const auto positional = args.positionals(1, "lorevane-cli get URL [--bytes|--fetch]");
  const std::string url = site_url(globals, positional[0]);

  lv::net::TransferOutcome outcome;
  lv::net::DownloadRequest request;
  request.url = url;
  request.outcome_out = &outcome;
  lv::base::Bytes picture;
  std::string text;
  if (bytes) {
    picture = lv::net::download_bytes(request);
  } else if (fetch) {
    text = lv::net::fetch_page(url, std::nullopt, std::nullopt, std::nullopt, std::nullopt, nullptr, &outcome);
  } else {
    text = lv::net::download_text(request);
  }
  const std::string_view body = bytes ? picture.view() : std::string_view(text);
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

}  // namespace lv::cli
