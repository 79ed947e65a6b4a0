#pragma once
// Asking again for a page that did not come: how often, how long to wait in
// between, and how to slow down when the site pushes back.
#include <chrono>
#include <functional>
#include <stop_token>
#include <string>

#include "base/failure.h"
#include "base/text.h"
#include "net/transfer_outcome.h"

namespace lv::routines {

using std::chrono::milliseconds;

struct RetryPolicy {
  int tries = 3;                        // in all, for a page that did not arrive or was refused
  int tries_when_not_found = 2;         // a 404 is asked for once more
  milliseconds first_pause{1000};       // before the second try; doubled before each further one
  milliseconds longest_retry_after{60000};  // a server's Retry-After is honoured up to this
  milliseconds slow_down_start{1000};   // the pause between pages after the first push-back
  milliseconds slow_down_limit{30000};  // the pause between pages never grows beyond this
  // A host that failed this many transfers in a row, whatever the reason, is
  // not asked again by the same fetcher: a site that refuses everything would
  // otherwise keep a long download going for hours. 0: never give up.
  int give_up_after_failures = 20;
};

// The pause before each request: none while the site answers cleanly;
// doubled (from the policy's start, up to its limit) each time it pushes
// back with 429, 503 or a block page; halved after each clean page.
class Pace final {
 public:
  explicit Pace(const RetryPolicy& policy) : policy_(policy) {}
  milliseconds pause() const { return pause_; }
  void pushed_back();
  void went_cleanly();

 private:
  RetryPolicy policy_;
  milliseconds pause_{0};
};

// The pause before try number `next_try` (2, 3, ...): the policy's growing
// pause, or the server's Retry-After up to the policy's limit; never shorter
// than the pause the pace asks between requests.
milliseconds pause_before_retry(int next_try, const lv::net::TransferOutcome& last, const RetryPolicy& policy,
                                milliseconds pace);

// What a page must hold to be the page asked for (and not a block,
// verification or error page); a page that lacks it is asked for again.
using PageCheck = std::function<bool(const lv::base::Text& body)>;

struct FetchedPage {
  lv::base::Text body;            // the last answer's body
  lv::net::TransferOutcome outcome;  // how the last try ended
  int tries = 0;
  bool good = false;              // arrived whole, no error status, passed the check
  bool stopped = false;           // a stop came before the page was good
  bool host_gave_up = false;      // not asked (again) because its host kept failing
  lv::base::Failure failure;      // why the page is missing, when it is
};

// After each try (the page's body, outcome and tries filled in): judges the
// answer, keeps the pace, and says whether to try again and after how long.
struct NextTry {
  bool again = false;
  milliseconds pause{0};
};
NextTry after_try(FetchedPage& page, const RetryPolicy& policy, Pace& pace, const PageCheck& check);

}  // namespace lv::routines
