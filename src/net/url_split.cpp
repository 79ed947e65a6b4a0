// Splitting of a page-fetch address into host, port and object path. The
// rules are byte-wise on purpose: an address without "http://" is still split,
// and anything before the first ":" of the host part is the host.
#include <climits>
#include <cmath>

#include "base/convert.h"
#include "base/text.h"
#include "net/page_fetch.h"

namespace lv::net {
namespace {

using lv::base::find_text;

constexpr std::string_view kScheme = "http://";
constexpr int kDefaultPort = 80;

// The bytes between the scheme (when there is one) and the first "/" after it.
std::string_view host_part(std::string_view url) {
  const bool has_scheme = url.size() >= kScheme.size() &&
                          lv::base::compare_text(url.substr(0, kScheme.size()), kScheme, false) == 0;
  if (has_scheme) {
    const int slash = find_text(url, "/", static_cast<int>(kScheme.size()) + 1);
    if (slash < 1) return url.substr(kScheme.size());
    return url.substr(kScheme.size(), static_cast<std::size_t>(slash - 1) - kScheme.size());
  }
  const int slash = find_text(url, "/", 1);
  if (slash < 1) return url;
  return url.substr(0, static_cast<std::size_t>(slash - 1));
}

}  // namespace

Text url_host(std::string_view url) {
  std::string_view host = host_part(url);
  const int colon = find_text(host, ":");
  if (colon > 0) host = host.substr(0, static_cast<std::size_t>(colon - 1));
  return lv::base::to_lower(host);
}

int url_port(std::string_view url) {
  const std::string_view host = host_part(url);
  const int colon = find_text(host, ":");
  if (colon < 1) return kDefaultPort;
  const double number = lv::base::to_number(host.substr(static_cast<std::size_t>(colon)));
  // Outside the int range no port can be meant; 0 is as unusable as any.
  if (!std::isfinite(number) || number >= static_cast<double>(INT_MAX) + 1.0 ||
      number <= static_cast<double>(INT_MIN) - 1.0) {
    return 0;
  }
  return static_cast<int>(std::trunc(number));
}

Text url_path(std::string_view url) {
  const Text host = url_host(url);
  const int at = find_text(url, host, 1, true);
  const int slash = find_text(url, "/", at < 1 ? 1 : at);
  if (slash < 1) return "/";
  return Text(url.substr(static_cast<std::size_t>(slash - 1)));
}

}  // namespace lv::net
