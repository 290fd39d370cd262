#include "console/sessions.h"

#include <gtest/gtest.h>

namespace orlund {
namespace {

using std::chrono::hours;
using std::chrono::seconds;

TEST(ConsoleSessionsTest, EndAfterTwelveHoursWithoutARequest) {
  int made = 0;
  ConsoleSessions sessions([&](size_t bytes) {
    EXPECT_GE(bytes, 16u);  // 128 bits at least
    return "token" + std::to_string(made++);
  });
  const auto t0 = std::chrono::steady_clock::time_point() + hours(100);
  const ConsoleSession& created = sessions.Create("Operator", 100, false, t0);
  EXPECT_NE(created.token, created.form_token);
  const std::string token = created.token;

  // Each request restarts the idle time.
  ASSERT_NE(sessions.Find(token, t0 + hours(11)), nullptr);
  const ConsoleSession* found = sessions.Find(token, t0 + hours(23));
  ASSERT_NE(found, nullptr);
  EXPECT_EQ(found->user_name, "Operator");
  EXPECT_EQ(found->level, 100);
  EXPECT_EQ(sessions.Find(token, t0 + hours(35) + seconds(1)), nullptr);
  EXPECT_EQ(sessions.Find(token, t0 + hours(35)), nullptr);  // forgotten, not only expired
  EXPECT_EQ(sessions.Find("unknown", t0), nullptr);
}

TEST(ConsoleSessionsTest, AFullTableForgetsTheLongestUnused) {
  ConsoleSessions sessions;
  const auto t0 = std::chrono::steady_clock::time_point() + hours(1);
  const std::string first = sessions.Create("a", 1, false, t0).token;
  EXPECT_EQ(first.size(), 32u);
  for (size_t i = 1; i < ConsoleSessions::kMaxSessions; ++i) {
    sessions.Create("b", 1, false, t0 + seconds(i));
  }
  const std::string second_oldest = sessions.Create("c", 1, false, t0 + hours(1)).token;
  EXPECT_EQ(sessions.size(), ConsoleSessions::kMaxSessions);
  EXPECT_EQ(sessions.Find(first, t0 + hours(1)), nullptr);
  EXPECT_NE(sessions.Find(second_oldest, t0 + hours(1)), nullptr);
}

}  // namespace
}  // namespace orlund
