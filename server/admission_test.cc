#include "server/admission.h"

#include <string>

#include "gtest/gtest.h"

namespace orlund {
namespace {

TEST(MatchWildcardTest, LoneStarMatchesEverythingEvenEmpty) {
  EXPECT_TRUE(MatchWildcard("10.0.0.5", "*"));
  EXPECT_TRUE(MatchWildcard("", "*"));
  EXPECT_FALSE(MatchWildcard("", "**"));
  EXPECT_FALSE(MatchWildcard("", ""));
  EXPECT_FALSE(MatchWildcard("10.0.0.5", ""));
}

TEST(MatchWildcardTest, LiteralsAndSingleCharacters) {
  EXPECT_TRUE(MatchWildcard("10.0.0.5", "10.0.0.5"));
  EXPECT_FALSE(MatchWildcard("10.0.0.50", "10.0.0.5"));
  EXPECT_FALSE(MatchWildcard("host", "HOST"));
  EXPECT_TRUE(MatchWildcard("10.0.7.5", "10.0.?.5"));
  EXPECT_FALSE(MatchWildcard("10.0.17.5", "10.0.?.5"));
  EXPECT_TRUE(MatchWildcard("10.0.17.5", "10.0.??.5"));
  EXPECT_FALSE(MatchWildcard("10.0.0", "10.0.0??"));
}

TEST(MatchWildcardTest, TrailingStarTakesTheRest) {
  EXPECT_TRUE(MatchWildcard("10.0.0.5", "10.0.0.*"));
  EXPECT_FALSE(MatchWildcard("10.0.1.5", "10.0.0.*"));
  EXPECT_TRUE(MatchWildcard("10.0.0.5", "10.0.0.5*"));
  EXPECT_TRUE(MatchWildcard("10.0.0.5", "**"));
}

TEST(MatchWildcardTest, StarStopsAtTheFirstOccurrenceWithoutBacktracking) {
  EXPECT_TRUE(MatchWildcard("10.0.0.5", "1*5"));
  EXPECT_FALSE(MatchWildcard("10.0.0.55", "1*5"));
  EXPECT_TRUE(MatchWildcard("10.0.0.5", "*5"));
  EXPECT_FALSE(MatchWildcard("10.0.0.55", "*5"));
  EXPECT_FALSE(MatchWildcard("10.0.0.5", "*7"));
  EXPECT_TRUE(MatchWildcard("10.0.0.5", "*.0.*"));
}

TEST(MatchWildcardTest, StarBeforeAnotherWildcardMatchesNothing) {
  EXPECT_TRUE(MatchWildcard("x", "*?"));
  EXPECT_FALSE(MatchWildcard("10.0.0.5", "*?"));
  EXPECT_TRUE(MatchWildcard("ab", "*?*"));
  EXPECT_FALSE(MatchWildcard("ab", "*?"));
}

TEST(MatchWildcardTest, PatternIsCutAfterThirtyOneTokens) {
  std::string thirty_one = "1";  // literal "1", then 30 stars with literal "1"
  for (int i = 0; i < 30; ++i) thirty_one += "*1";
  std::string ones(31, '1');
  EXPECT_TRUE(MatchWildcard(ones, thirty_one));
  EXPECT_FALSE(MatchWildcard(ones.substr(1), thirty_one));
  // A 32nd token is never looked at.
  EXPECT_TRUE(MatchWildcard(ones, thirty_one + "*X"));
  EXPECT_TRUE(MatchWildcard(ones, thirty_one + "?"));
}

TEST(IsAddressAllowedTest, DefaultAllowsAnyAddress) {
  EXPECT_TRUE(IsAddressAllowed("10.0.0.5", "*"));
  EXPECT_TRUE(IsAddressAllowed("127.0.0.1", "*"));
}

TEST(IsAddressAllowedTest, PatternsAreTriedInOrderAndNotTrimmed) {
  EXPECT_TRUE(IsAddressAllowed("10.0.0.6", "10.0.0.5,10.0.0.6"));
  EXPECT_TRUE(IsAddressAllowed("10.0.0.5", "10.0.0.5, 10.0.0.6"));
  EXPECT_FALSE(IsAddressAllowed("10.0.0.6", "10.0.0.5, 10.0.0.6"));
  EXPECT_TRUE(IsAddressAllowed("192.168.1.20", "10.*,192.168.1.*"));
}

TEST(IsAddressAllowedTest, ScanStopsAtTheFirstEmptyField) {
  EXPECT_TRUE(IsAddressAllowed("10.0.0.5", "10.0.0.5,,10.0.0.6"));
  EXPECT_FALSE(IsAddressAllowed("10.0.0.6", "10.0.0.5,,10.0.0.6"));
  EXPECT_FALSE(IsAddressAllowed("10.0.0.5", ""));
  EXPECT_FALSE(IsAddressAllowed("10.0.0.5", ",*"));
  EXPECT_TRUE(IsAddressAllowed("10.0.0.5", "10.0.0.5,"));
}

}  // namespace
}  // namespace orlund
