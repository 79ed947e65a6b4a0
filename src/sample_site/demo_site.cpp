#include "sample_site/demo_site.h"

#include <charconv>
#include <cstdlib>
#include <string_view>

namespace lv::site {
namespace {

int demo_port() {
  const char* given = std::getenv("LOREVANE_DEMO_PORT");
  if (given == nullptr) return kDemoPort;
  const std::string_view text(given);
  int port = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), port);
  return error == std::errc() && end == text.data() + text.size() && port > 0 && port < 65536 ? port : kDemoPort;
}

}  // namespace

DemoStart start_demo_site(SampleServer& server) {
  if (server.start(demo_port())) return DemoStart::own_port;
  return server.start() ? DemoStart::other_port : DemoStart::failed;
}

}  // namespace lv::site
