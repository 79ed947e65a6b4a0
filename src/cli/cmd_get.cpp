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

  std::string body;
  if (bytes) {
    body = std::string(lv::net::download_bytes(url).view());
  } else if (fetch) {
    body = lv::net::fetch_page(url);
  } else {
    body = lv::net::download_text(url);
  }
  if (body.empty()) {
    std::fprintf(stderr, "lorevane-cli: nothing received from %s\n", url.c_str());
    return 1;
  }
  std::fwrite(body.data(), 1, body.size(), stdout);
  return 0;
}

}  // namespace lv::cli
