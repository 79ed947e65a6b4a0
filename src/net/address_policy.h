#pragma once
// Which addresses a transfer may reach. A hostile page must not make the
// program call services on the user's own machine or network: a transfer
// that starts at a public address (or whose page came from one) may not be
// led to a loopback, private or link-local address. A site that itself lives
// on such an address may use its own kind.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace lv::net {

enum class AddressKind { public_address, private_network, link_local, loopback };

// The kind of a numeric IPv4 or IPv6 address; text that is not one counts as public.
AddressKind address_kind(std::string_view numeric_address);

// The kind of a host name or numeric address, resolved when it is a name: the
// least public kind among its addresses. nullopt when it does not resolve.
std::optional<AddressKind> host_address_kind(std::string_view host);

// Whether a transfer whose origin is of kind `origin` may connect to `target`.
inline bool address_allowed(AddressKind origin, AddressKind target) {
  return target == AddressKind::public_address || target == origin;
}

// Numeric addresses that count as public, so tests on 127.0.0.x can stand
// in for a public site; empty restores the real rules.
void treat_as_public_for_tests(std::vector<std::string> numeric_addresses);

}  // namespace lv::net
