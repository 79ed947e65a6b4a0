#include "net/address_policy.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <sys/socket.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <memory>
#include <mutex>

namespace lv::net {
namespace {

struct PublicOverride {
  std::mutex mutex;
  std::vector<std::string> addresses;
};

PublicOverride& public_override() {
  static PublicOverride o;
  return o;
}

bool overridden_as_public(std::string_view address) {
  PublicOverride& o = public_override();
  std::lock_guard lock(o.mutex);
  return std::find(o.addresses.begin(), o.addresses.end(), address) != o.addresses.end();
}

AddressKind ipv4_kind(const std::array<unsigned char, 4>& a) {
  // 0.0.0.0/8 reaches this machine on most systems, like loopback.
  if (a[0] == 127 || a[0] == 0) return AddressKind::loopback;
  if (a[0] == 169 && a[1] == 254) return AddressKind::link_local;
  if (a[0] == 10 || (a[0] == 172 && (a[1] & 0xF0) == 16) || (a[0] == 192 && a[1] == 168) ||
      (a[0] == 100 && (a[1] & 0xC0) == 64)) {  // 100.64.0.0/10: carrier-grade NAT, not the internet
    return AddressKind::private_network;
  }
  return AddressKind::public_address;
}

AddressKind ipv6_kind(const std::array<unsigned char, 16>& a) {
  static constexpr std::array<unsigned char, 12> kMappedV4 = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xFF, 0xFF};
  if (std::equal(kMappedV4.begin(), kMappedV4.end(), a.begin())) return ipv4_kind({a[12], a[13], a[14], a[15]});
  const bool zero_prefix = std::all_of(a.begin(), a.begin() + 15, [](unsigned char b) { return b == 0; });
  if (zero_prefix && (a[15] == 1 || a[15] == 0)) return AddressKind::loopback;  // ::1 and ::
  if (a[0] == 0xFE && (a[1] & 0xC0) == 0x80) return AddressKind::link_local;    // fe80::/10
  if ((a[0] & 0xFE) == 0xFC) return AddressKind::private_network;                // fc00::/7
  return AddressKind::public_address;
}

// Of two kinds, the one further from the public internet.
AddressKind less_public(AddressKind a, AddressKind b) { return static_cast<int>(a) >= static_cast<int>(b) ? a : b; }

struct AddrInfoDeleter {
  void operator()(addrinfo* info) const noexcept { freeaddrinfo(info); }
};

}  // namespace

AddressKind address_kind(std::string_view numeric_address) {
  std::string text(numeric_address);
  if (text.size() > 2 && text.front() == '[' && text.back() == ']') text = text.substr(1, text.size() - 2);
  if (overridden_as_public(text)) return AddressKind::public_address;
  std::array<unsigned char, 4> v4{};
  if (inet_pton(AF_INET, text.c_str(), v4.data()) == 1) return ipv4_kind(v4);
  std::array<unsigned char, 16> v6{};
  if (inet_pton(AF_INET6, text.c_str(), v6.data()) == 1) return ipv6_kind(v6);
  return AddressKind::public_address;
}

std::optional<AddressKind> host_address_kind(std::string_view host) {
  std::string name(host);
  if (name.size() > 2 && name.front() == '[' && name.back() == ']') name = name.substr(1, name.size() - 2);
  if (name.empty()) return std::nullopt;
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* found = nullptr;
  if (getaddrinfo(name.c_str(), nullptr, &hints, &found) != 0 || found == nullptr) return std::nullopt;
  std::unique_ptr<addrinfo, AddrInfoDeleter> owned(found);
  std::optional<AddressKind> kind;
  for (const addrinfo* a = found; a != nullptr; a = a->ai_next) {
    char text[INET6_ADDRSTRLEN] = {};
    const void* raw = a->ai_family == AF_INET
                          ? static_cast<const void*>(&reinterpret_cast<const sockaddr_in*>(a->ai_addr)->sin_addr)
                          : static_cast<const void*>(&reinterpret_cast<const sockaddr_in6*>(a->ai_addr)->sin6_addr);
    if ((a->ai_family != AF_INET && a->ai_family != AF_INET6) ||
        inet_ntop(a->ai_family, raw, text, sizeof text) == nullptr) {
      continue;
    }
    const AddressKind k = address_kind(text);
    kind = kind ? less_public(*kind, k) : k;
  }
  return kind;
}

void treat_as_public_for_tests(std::vector<std::string> numeric_addresses) {
  PublicOverride& o = public_override();
  std::lock_guard lock(o.mutex);
  o.addresses = std::move(numeric_addresses);
}

}  // namespace lv::net
