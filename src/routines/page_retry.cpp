#include "routines/page_retry.h"

#include <algorithm>

namespace lv::routines {

namespace {

using lv::base::Text;
using lv::net::TransferOutcome;

enum class Verdict { good, retry, retry_and_slow_down, retry_if_first, missing };

Verdict judge(const TransferOutcome& outcome, const lv::base::Text& body, const PageCheck& check) {
  if (!outcome.arrived_whole()) {
    // Nothing will change for an address that cannot be used or reached by rule.
    const bool hopeless = outcome.end == lv::net::TransferEnd::bad_address ||
                          outcome.end == lv::net::TransferEnd::refused_address ||
                          outcome.end == lv::net::TransferEnd::size_cap;
    return hopeless ? Verdict::missing : Verdict::retry;
  }
  if (outcome.status == 429 || outcome.status == 503) return Verdict::retry_and_slow_down;
  if (outcome.status >= 500) return Verdict::retry;
  if (outcome.status == 404) return Verdict::retry_if_first;
  if (check && !check(body)) return Verdict::retry_and_slow_down;  // a block or verification page
  return Verdict::good;
}

lv::base::Failure failure_of(const TransferOutcome& outcome, Verdict verdict) {
  lv::base::Failure failure = lv::net::failure_of(outcome);
  if (!failure.failed() && verdict == Verdict::retry_and_slow_down) failure.kind = lv::base::FailureKind::no_markers;
  return failure;
}

}  // namespace

void Pace::pushed_back() {
  pause_ = pause_.count() == 0 ? policy_.slow_down_start : pause_ * 2;
  pause_ = std::min(pause_, policy_.slow_down_limit);
}

void Pace::went_cleanly() {
  pause_ /= 2;
  if (pause_ < policy_.slow_down_start) pause_ = milliseconds(0);
}

milliseconds pause_before_retry(int next_try, const TransferOutcome& last, const RetryPolicy& policy,
                                milliseconds pace) {
  milliseconds pause = policy.first_pause * (1 << std::clamp(next_try - 2, 0, 20));
  if (last.retry_after) pause = std::min<milliseconds>(*last.retry_after, policy.longest_retry_after);
  return std::max(pause, pace);
}

NextTry after_try(FetchedPage& page, const RetryPolicy& policy, Pace& pace, const PageCheck& check) {
  const Verdict verdict = judge(page.outcome, page.body, check);
  if (verdict == Verdict::good) {
    pace.went_cleanly();
    page.good = true;
    page.failure = {};
    return {};
  }
  if (verdict == Verdict::retry_and_slow_down) pace.pushed_back();
  page.failure = failure_of(page.outcome, verdict);
  page.failure.tries = page.tries;
  const int allowed = verdict == Verdict::retry_if_first ? policy.tries_when_not_found : policy.tries;
  if (verdict == Verdict::missing || page.tries >= allowed) return {};
  return {true, pause_before_retry(page.tries + 1, page.outcome, policy, pace.pause())};
}

}  // namespace lv::routines
