// How long to wait before asking again, and how the pace between pages
// follows the site's push-back.
#include "routines/page_retry.h"

#include <gtest/gtest.h>

namespace {

using lv::routines::milliseconds;
using lv::routines::Pace;
using lv::routines::RetryPolicy;

TEST(PageRetry, PauseGrowsAndFollowsRetryAfterUpToItsLimit) {
  const RetryPolicy policy;  // 1 s, doubled; Retry-After up to 60 s
  lv::net::TransferOutcome plain;
  lv::net::TransferOutcome asked = plain;
  asked.retry_after = std::chrono::seconds(5);
  lv::net::TransferOutcome greedy = plain;
  greedy.retry_after = std::chrono::seconds(3600);
  struct Case {
    int next_try;
    const lv::net::TransferOutcome& last;
    milliseconds pace;
    milliseconds pause;
  };
  for (const Case& c : {Case{2, plain, milliseconds(0), milliseconds(1000)},
                        Case{3, plain, milliseconds(0), milliseconds(2000)},
                        Case{2, asked, milliseconds(0), milliseconds(5000)},
                        Case{2, greedy, milliseconds(0), milliseconds(60000)},
                        Case{2, plain, milliseconds(8000), milliseconds(8000)}}) {
    EXPECT_EQ(lv::routines::pause_before_retry(c.next_try, c.last, policy, c.pace), c.pause) << c.next_try;
  }
}

TEST(PageRetry, PaceDoublesOnPushBackUpToItsLimitAndEasesOffAfterCleanPages) {
  Pace pace{RetryPolicy{}};
  EXPECT_EQ(pace.pause(), milliseconds(0));
  std::vector<long long> seen;
  for (int i = 0; i < 7; ++i) {
    pace.pushed_back();
    seen.push_back(pace.pause().count());
  }
  EXPECT_EQ(seen, (std::vector<long long>{1000, 2000, 4000, 8000, 16000, 30000, 30000}));
  seen.clear();
  for (int i = 0; i < 6; ++i) {
    pace.went_cleanly();
    seen.push_back(pace.pause().count());
  }
  EXPECT_EQ(seen, (std::vector<long long>{15000, 7500, 3750, 1875, 0, 0}));
}

}  // namespace
