// The download scheduler: transfers to one host share kept-alive
// connections, at most N at a time, paced, and end when asked to.
#include "net/scheduler.h"

#include <gtest/gtest.h>

#include <condition_variable>
#include <mutex>

#include "net/net_test_support.h"
#include "sample_site/sample_server.h"
#include "support/test_support.h"

namespace {

using lv::net::ScheduledRequest;
using lv::net::ScheduledResult;
using lv::net::Scheduler;
using lv::net::TransferEnd;
using std::chrono::milliseconds;

// Results by submission number, and a way to wait for all of them.
class Results {
 public:
  Scheduler::Completion slot(std::size_t i) {
    return [this, i](ScheduledResult&& r) {
      std::lock_guard lock(mutex_);
      results_[i] = std::move(r);
      ++done_;
      changed_.notify_all();
    };
  }
  void wait_for(std::size_t count) {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [&] { return done_ >= count; });
  }
  ScheduledResult& operator[](std::size_t i) { return results_[i]; }

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  std::map<std::size_t, ScheduledResult> results_;
  std::size_t done_ = 0;
};

class SchedulerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    lv::test::clear_proxy_environment();
    ASSERT_TRUE(server_.start());
  }
  static ScheduledRequest to(std::string address) {
    ScheduledRequest r;
    r.url = std::move(address);
    return r;
  }
  std::string url(int page) const {
    return "http://" + server_.site_host() + "/sort2/" + std::to_string(page) + ".html";
  }
  lv::site::SampleServer server_;
};

TEST_F(SchedulerTest, AtMostNToAHostOverKeptAliveConnections) {
  server_.set_delay_all(milliseconds(30));
  for (int per_host : {1, 3}) {
    server_.reset_counts();
    Results results;
    {
      Scheduler scheduler({per_host});
      for (int i = 0; i < 12; ++i) scheduler.submit(to(url(i % 5 + 1)), results.slot(static_cast<std::size_t>(i)));
      results.wait_for(12);
      EXPECT_EQ(scheduler.transfers_started(), 12);
      EXPECT_LE(scheduler.connections_opened(), per_host) << per_host;
    }
    for (std::size_t i = 0; i < 12; ++i) {
      EXPECT_EQ(results[i].outcome.end, TransferEnd::complete);
      EXPECT_EQ(results[i].body, server_.site().get("/sort2/" + std::to_string(i % 5 + 1) + ".html",
                                                    server_.site_host())->body);
    }
    EXPECT_EQ(server_.most_at_once(), per_host);
  }
}

TEST_F(SchedulerTest, HostPauseAndStartTimeHoldTransfersBack) {
  Scheduler scheduler({4});
  scheduler.set_host_pause(url(1), milliseconds(150));
  EXPECT_EQ(scheduler.host_pause(url(2)), milliseconds(150));  // the host, not the page
  Results results;
  const auto start = std::chrono::steady_clock::now();
  for (std::size_t i = 0; i < 3; ++i) scheduler.submit(to(url(1)), results.slot(i));
  results.wait_for(3);
  EXPECT_GE(std::chrono::steady_clock::now() - start, milliseconds(300));

  scheduler.set_host_pause(url(1), milliseconds(0));
  ScheduledRequest later = to(url(2));
  later.not_before = std::chrono::steady_clock::now() + milliseconds(200);
  const auto asked = std::chrono::steady_clock::now();
  scheduler.submit(later, results.slot(3));
  results.wait_for(4);
  EXPECT_GE(std::chrono::steady_clock::now() - asked, milliseconds(200));
  EXPECT_EQ(results[3].outcome.end, TransferEnd::complete);
}

TEST_F(SchedulerTest, StopsEndTransfersAsCancelled) {
  server_.set_delay_all(std::chrono::hours(1));
  Results results;
  std::stop_source one;
  {
    Scheduler scheduler({2});
    ScheduledRequest stoppable = to(url(1));
    stoppable.stop = one.get_token();
    scheduler.submit(stoppable, results.slot(0));
    ASSERT_TRUE(lv::test::wait_until([&] { return server_.total_requests() == 1; }));
    one.request_stop();
    results.wait_for(1);  // an hour's answer would hold this for good
    EXPECT_EQ(results[0].outcome.end, TransferEnd::cancelled);

    // The scheduler's end ends what runs and what waits.
    for (std::size_t i = 1; i <= 4; ++i) scheduler.submit(to(url(2)), results.slot(i));
    ASSERT_TRUE(lv::test::wait_until([&] { return server_.total_requests() == 3; }));
  }
  results.wait_for(5);
  for (std::size_t i = 1; i <= 4; ++i) EXPECT_EQ(results[i].outcome.end, TransferEnd::cancelled) << i;
}

}  // namespace
