#include "net/transfer_outcome.h"

namespace lv::net {

std::string describe(const TransferOutcome& outcome) {
  switch (outcome.end) {
    case TransferEnd::complete:
      return outcome.status >= 400 ? "HTTP " + std::to_string(outcome.status) : "complete";
    case TransferEnd::bad_address:
      return "unusable address";
    case TransferEnd::connect_failed:
      return "connection failed";
    case TransferEnd::reset:
      return "connection reset";
    case TransferEnd::timed_out:
      return "timed out";
    case TransferEnd::size_cap:
      return "body over the size cap";
    case TransferEnd::refused_address:
      return "refused address (loopback, private or link-local)";
    case TransferEnd::tls_failed:
      return "secure connection failed";
    case TransferEnd::cancelled:
      return "cancelled";
    case TransferEnd::other:
      break;
  }
  return outcome.detail.empty() ? std::string("transfer failed") : outcome.detail;
}

}  // namespace lv::net
