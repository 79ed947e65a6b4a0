#include "net/transfer_outcome.h"

namespace lv::net {

lv::base::Failure failure_of(const TransferOutcome& outcome) {
  using lv::base::FailureKind;
  lv::base::Failure failure;
  switch (outcome.end) {
    case TransferEnd::complete:
      if (outcome.status >= 400) {
        failure.kind = FailureKind::http_status;
        failure.status = outcome.status;
      }
      return failure;
    case TransferEnd::bad_address: failure.kind = FailureKind::bad_address; break;
    case TransferEnd::connect_failed: failure.kind = FailureKind::connect_failed; break;
    case TransferEnd::reset: failure.kind = FailureKind::connection_reset; break;
    case TransferEnd::timed_out: failure.kind = FailureKind::timed_out; break;
    case TransferEnd::size_cap: failure.kind = FailureKind::too_large; break;
    case TransferEnd::refused_address: failure.kind = FailureKind::refused_address; break;
    case TransferEnd::tls_failed: failure.kind = FailureKind::tls_failed; break;
    case TransferEnd::cancelled: failure.kind = FailureKind::cancelled; break;
    case TransferEnd::other:
      failure.kind = FailureKind::transfer_failed;
      failure.detail = outcome.detail;
      break;
  }
  return failure;
}

std::string describe(const TransferOutcome& outcome) {
  if (outcome.end == TransferEnd::complete && outcome.status < 400) return "complete";
  return lv::base::english(failure_of(outcome));
}

}  // namespace lv::net
