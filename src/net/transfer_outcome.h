#pragma once
// How one transfer ended. The page routines hand callers only the body; the
// collection, the command line and the library look here to tell a page that
// arrived from one that did not, and to decide whether to ask again.
#include <chrono>
#include <cstdint>
#include <optional>
#include <string>

#include "base/failure.h"

namespace lv::net {

enum class TransferEnd {
  complete,         // the response arrived whole
  bad_address,      // the address could not be split or used
  connect_failed,   // no connection: name not found, refused, unreachable
  reset,            // the connection broke, or the body came short of its length
  timed_out,        // nothing moved for the idle time-out, or the deadline passed
  size_cap,         // the body reached the size cap; the rest was not read
  refused_address,  // the transfer was led to a loopback, private or link-local address
  tls_failed,       // the secure handshake or the certificate check failed
  cancelled,        // the caller stopped the transfer
  other,            // any other failure of the HTTP layer
};

struct TransferOutcome {
  TransferEnd end = TransferEnd::other;
  int status = 0;            // status of the final response; 0 when none came (or HTTP/0.9)
  std::uint64_t bytes = 0;   // body bytes received, before any decoding
  std::optional<std::chrono::seconds> retry_after;  // a Retry-After given in seconds
  std::string detail;        // the HTTP layer's own words for a failure, "" when complete

  bool arrived_whole() const { return end == TransferEnd::complete; }
  // Whole, and not an error status: the page is what the server meant to send.
  bool fetched() const { return arrived_whole() && status < 400; }
};

// The failure the outcome stands for (kind none for a page that came).
lv::base::Failure failure_of(const TransferOutcome& outcome);
// One short English phrase: "HTTP 503", "connection reset", "timed out", ...
std::string describe(const TransferOutcome& outcome);

}  // namespace lv::net
