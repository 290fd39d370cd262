#include "server/admission.h"

#include <string>
#include <tuple>
#include <vector>

#include "gtest/gtest.h"

namespace orlund {
namespace {

TEST(MatchWildcardTest, PatternsMatchAsTheAllowListReadsThem) {
  std::string thirty_one = "1";  // literal "1", then 30 stars with literal "1"
  for (int i = 0; i < 30; ++i) thirty_one += "*1";
  const std::string ones(31, '1');
  // A lone star matches everything, even nothing; an empty pattern nothing;
  // literals and "?" match themselves and one character, letter case
  // counting; a trailing star takes the rest; any other star stops at the
  // first occurrence of what follows it, without backtracking, and matches
  // nothing before another wildcard; a pattern is cut after 31 tokens.
  const std::vector<std::tuple<std::string, std::string, bool>> cases = {
      {"10.0.0.5", "*", true},
      {"", "*", true},
      {"", "**", false},
      {"", "", false},
      {"10.0.0.5", "", false},
      {"10.0.0.5", "10.0.0.5", true},
      {"10.0.0.50", "10.0.0.5", false},
      {"host", "HOST", false},
      {"10.0.7.5", "10.0.?.5", true},
      {"10.0.17.5", "10.0.?.5", false},
      {"10.0.17.5", "10.0.??.5", true},
      {"10.0.0", "10.0.0??", false},
      {"10.0.0.5", "10.0.0.*", true},
      {"10.0.1.5", "10.0.0.*", false},
      {"10.0.0.5", "10.0.0.5*", true},
      {"10.0.0.5", "**", true},
      {"10.0.0.5", "1*5", true},
      {"10.0.0.55", "1*5", false},
      {"10.0.0.5", "*5", true},
      {"10.0.0.55", "*5", false},
      {"10.0.0.5", "*7", false},
      {"10.0.0.5", "*.0.*", true},
      {"x", "*?", true},
      {"10.0.0.5", "*?", false},
      {"ab", "*?*", true},
      {"ab", "*?", false},
      {ones, thirty_one, true},
      {ones.substr(1), thirty_one, false},
      {ones, thirty_one + "*X", true},
      {ones, thirty_one + "?", true}};
  for (const auto& [text, pattern, matches] : cases) {
    EXPECT_EQ(MatchWildcard(text, pattern), matches) << text << " " << pattern;
  }
}

TEST(IsAddressAllowedTest, PatternsAreTriedInOrderUntrimmedUpToTheFirstEmptyOne) {
  const std::vector<std::tuple<std::string, std::string, bool>> cases = {
      {"127.0.0.1", "*", true},
      {"10.0.0.6", "10.0.0.5,10.0.0.6", true},
      {"10.0.0.5", "10.0.0.5, 10.0.0.6", true},
      {"10.0.0.6", "10.0.0.5, 10.0.0.6", false},
      {"192.168.1.20", "10.*,192.168.1.*", true},
      {"10.0.0.5", "10.0.0.5,,10.0.0.6", true},
      {"10.0.0.6", "10.0.0.5,,10.0.0.6", false},
      {"10.0.0.5", "", false},
      {"10.0.0.5", ",*", false},
      {"10.0.0.5", "10.0.0.5,", true}};
  for (const auto& [address, list, allowed] : cases) {
    EXPECT_EQ(IsAddressAllowed(address, list), allowed) << address << " " << list;
  }
}

}  // namespace
}  // namespace orlund
