#include "protocol/login_throttle.h"

#include <gtest/gtest.h>

namespace orlund {
namespace {

using std::chrono::milliseconds;
using TimePoint = LoginThrottle::TimePoint;

class LoginThrottleTest : public ::testing::Test {
 protected:
  // How long after `now` the answer goes out.
  int64_t FailedAfter(const std::string& address, TimePoint now) {
    return std::chrono::duration_cast<milliseconds>(throttle.Failed(address, now) - now).count();
  }

  RecordingLog log;
  LoginThrottle throttle{log};
  TimePoint t0 = TimePoint() + std::chrono::hours(1);
};

TEST_F(LoginThrottleTest, EachFailureInARowDoublesTheDelayUpToEightSeconds) {
  TimePoint now = t0;
  for (int64_t expected : {250, 500, 1000, 2000, 4000, 8000, 8000, 8000, 8000, 8000, 8000}) {
    EXPECT_EQ(FailedAfter("10.0.0.5", now), expected);
    now += milliseconds(expected);  // the next attempt comes once the answer is out
  }
  // Another address is not held back by the first one's failures.
  EXPECT_EQ(FailedAfter("10.0.0.6", now), 250);
}

TEST_F(LoginThrottleTest, AttemptsArrivingTogetherQueueUpAndASuccessResets) {
  EXPECT_EQ(FailedAfter("10.0.0.5", t0), 250);
  EXPECT_EQ(FailedAfter("10.0.0.5", t0), 750);
  EXPECT_EQ(FailedAfter("10.0.0.5", t0), 1750);
  // A success waits for the answers held back before it, then forgets them.
  EXPECT_EQ(throttle.Succeeded("10.0.0.5", t0), t0 + milliseconds(1750));
  EXPECT_EQ(throttle.Failures("10.0.0.5"), 0);
  EXPECT_EQ(throttle.Succeeded("10.0.0.5", t0), t0);
  EXPECT_EQ(FailedAfter("10.0.0.5", t0), 250);
  // A flood queues up to the longest delay and no further, also for a success.
  for (int i = 0; i < 1000; ++i) throttle.Failed("10.0.0.5", t0);
  EXPECT_EQ(FailedAfter("10.0.0.5", t0), 8000);
  EXPECT_EQ(throttle.Succeeded("10.0.0.5", t0), t0 + milliseconds(8000));
}

TEST_F(LoginThrottleTest, EveryTenthFailureInARowWritesOneLogLine) {
  for (int i = 0; i < 9; ++i) throttle.Failed("10.0.0.5", t0);
  EXPECT_TRUE(log.lines.empty());
  throttle.Failed("10.0.0.5", t0);
  ASSERT_EQ(log.lines.size(), 1u);
  EXPECT_EQ(log.lines[0], "Failed logins from 10.0.0.5: 10 in a row");
  for (int i = 0; i < 10; ++i) throttle.Failed("10.0.0.5", t0);
  ASSERT_EQ(log.lines.size(), 2u);
  EXPECT_EQ(log.lines[1], "Failed logins from 10.0.0.5: 20 in a row");
}

TEST_F(LoginThrottleTest, ForgetsTheQuietestAddressWhenFull) {
  for (size_t i = 0; i < LoginThrottle::kMaxAddresses; ++i) {
    throttle.Failed("a" + std::to_string(i), t0 + milliseconds(i + 1));
  }
  throttle.Failed("new", t0);
  EXPECT_EQ(throttle.Failures("a0"), 0);
  EXPECT_EQ(throttle.Failures("a1"), 1);
  EXPECT_EQ(throttle.Failures("new"), 1);
}

}  // namespace
}  // namespace orlund
