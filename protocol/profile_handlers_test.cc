#include <gtest/gtest.h>

#include <span>

#include "protocol/messages.h"
#include "testing/fake_transport.h"

namespace orlund {
namespace {

// A record with a distinct value in every field.
ProfileRecord DistinctProfile(const std::string& name) {
  ProfileRecord r;
  int16_t next = 1;
  for (int16_t* w : {&r.ProfileNumber, &r.ProfileWord, &r.WordsC[0], &r.WordsC[1], &r.WordD}) {
    *w = next++;
  }
  for (std::span<int16_t> words : {std::span<int16_t>(r.WordsA), std::span<int16_t>(r.WordsB),
                                   std::span<int16_t>(r.WordTable)}) {
    for (int16_t& w : words) w = -next++;
  }
  r.Name = name;
  for (std::string* t : {&r.TextA, &r.TextB, &r.TextC, &r.TextD, &r.TextE}) {
    *t = std::string("t\0\xE9", 3) + std::to_string(next++);
  }
  for (std::string& t : r.TextList) t = std::to_string(next++);
  return r;
}

std::string PeriodArray(int16_t start) {
  cTimeSchedule schedule;
  schedule.AppendPeriod(2, start, 960);
  schedule.AppendPeriod(9, 0, 1440);
  return schedule.ComposePeriodArray();
}

class ProfileHandlersTest : public ::testing::Test {
 protected:
  ProfileTable& table() { return server.state.data.profiles; }
  void Update(const std::string& name, int16_t start, const std::string& inner_name = "inner") {
    Request(server, client, 120,
            Encode(ProfileUpdateRequest{name, {DistinctProfile(inner_name), PeriodArray(start)}}));
  }
  int16_t StartOf(int slot) {
    return table().ProfileSchedules[slot]->GetPeriods(2).at(0)->m_StartMinute;
  }

  TestServer server;
  FakeClient client = server.Join();
};

TEST_F(ProfileHandlersTest, UpdatesAddOrChangeByLeadingNameAndAnswerNobody) {
  Request(server, client, 8);
  EXPECT_EQ(Sent(client), std::string("\x08\x00\x00\x00\x02\x00\x00", 7));
  table().Profiles[0].WordsC[1] = 77;  // leftovers do not reach a new profile
  Update("Day", 100);
  EXPECT_EQ(table().Profiles[0].WordsC[1], 0);
  table().Profiles[0].WordsC[1] = 55;  // kept by a change
  Update("DAY", 200);
  EXPECT_EQ(Sent(client), "");
  EXPECT_TRUE(server.state.ProfilesChanged);
  ASSERT_EQ(table().ProfileCount, 1);
  ProfileRecord expected = DistinctProfile("DAY");
  expected.WordsC[1] = 55;
  EXPECT_EQ(table().Profiles[0], expected);
  EXPECT_EQ(StartOf(0), 200);

  table().ProfileSchedules[0].reset();  // travels as an empty schedule
  Request(server, client, 8);
  EXPECT_EQ(
      Sent(client),
      EncodePacket(8, Encode(ProfilesAnswer{{{expected, cTimeSchedule().ComposePeriodArray()}}})));
}

TEST_F(ProfileHandlersTest, RemovalKeepsEachProfilePairedWithItsSchedule) {
  for (int i = 1; i <= 3; ++i) Update(std::string(1, 'A' + i - 1), i);
  const cTimeSchedule* schedule_c = table().ProfileSchedules[2].get();
  server.state.ProfilesChanged = false;
  Request(server, client, 121, EncodeString("b"));
  Request(server, client, 121, EncodeString("absent"));
  EXPECT_TRUE(server.state.ProfilesChanged);
  ASSERT_EQ(table().ProfileCount, 2);
  EXPECT_EQ(table().Profiles[0].Name + table().Profiles[1].Name, "AC");
  EXPECT_EQ(StartOf(0), 1);
  EXPECT_EQ(table().ProfileSchedules[1].get(), schedule_c);
  EXPECT_EQ(table().ProfileSchedules[2], nullptr);
}

TEST_F(ProfileHandlersTest, FullTableDropsNewProfilesAndShortRequestsChangeNothing) {
  for (int i = 0; i < kProfileCapacity; ++i) table().Profiles[i].Name = "P" + std::to_string(i);
  table().ProfileCount = kProfileCapacity;
  const std::string update = Encode(ProfileUpdateRequest{"P7", {DistinctProfile("x"), "\x01"}});
  Request(server, client, 120, update);  // period array cut short
  Request(server, client, 120, update.substr(0, update.size() - 1));
  Request(server, client, 121, std::string("\x00\x03P", 3));
  EXPECT_FALSE(server.state.ProfilesChanged);
  Update("new", 5);
  EXPECT_TRUE(server.state.ProfilesChanged);
  EXPECT_EQ(table().ProfileCount, kProfileCapacity);
  EXPECT_EQ(table().Profiles[7].WordD, 0);
  EXPECT_EQ(table().ProfileSchedules[7], nullptr);
}

}  // namespace
}  // namespace orlund
