#include "net/net_test_support.h"

#include <cstdlib>

namespace lv::test {

void clear_proxy_environment() {
  for (const char* name : {"http_proxy", "HTTP_PROXY", "https_proxy", "HTTPS_PROXY", "all_proxy", "ALL_PROXY",
                           "no_proxy", "NO_PROXY"}) {
    ::unsetenv(name);
  }
}

namespace {
// Runs before any test of the program starts a transfer.
const bool g_cleared = (clear_proxy_environment(), true);
}  // namespace

}  // namespace lv::test
