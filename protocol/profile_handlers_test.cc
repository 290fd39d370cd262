#include <gtest/gtest.h>

#include "protocol/messages.h"
#include "testing/fake_transport.h"

namespace orlund {
namespace {

class ProfileHandlersTest : public ::testing::Test {
 protected:
  ProfileTable& table() { return server.state.data.profiles; }
  // An update whose encoded profile carries `inner_name` and one period of
  // day type 2 from `start`.
  std::string Update(const std::string& name, int16_t start, const std::string& inner_name = "in") {
    ProfileEntry entry;
    entry.record.Name = inner_name;
    entry.record.WordTable[63] = start;
    cTimeSchedule schedule;
    schedule.AppendPeriod(2, start, 960);
    entry.period_array = schedule.ComposePeriodArray();
    return Encode(ProfileUpdateRequest{name, entry});
  }
  std::string Names() {
    std::string names;
    for (int i = 0; i < table().ProfileCount; ++i) {
      names += table().Profiles[i].Name + ":" +
               std::to_string(table().ProfileSchedules[i]->GetPeriods(2).at(0)->m_StartMinute) +
               ";";
    }
    return names;
  }

  TestServer server;
  FakeClient client = server.Join();
};

TEST_F(ProfileHandlersTest, UpdatesAddOrChangeByLeadingNameAndAnswerNobody) {
  table().Profiles[0].WordsC[1] = 77;  // leftovers do not reach a new profile
  Request(server, client, 120, Update("Day", 100));
  EXPECT_EQ(table().Profiles[0].WordsC[1], 0);
  table().Profiles[0].WordsC[1] = 55;  // kept by a change
  Request(server, client, 120, Update("DAY", 200));
  EXPECT_EQ(Sent(client), "");
  EXPECT_TRUE(server.state.ProfilesChanged);
  EXPECT_EQ(Names(), "DAY:200;");
  EXPECT_EQ(table().Profiles[0].WordsC[1], 55);
  EXPECT_EQ(table().Profiles[0].WordTable[63], 200);

  table().ProfileSchedules[0].reset();  // travels as an empty schedule
  Request(server, client, 8);
  ProfileRecord expected = table().Profiles[0];
  EXPECT_EQ(
      Sent(client),
      EncodePacket(8, Encode(ProfilesAnswer{{{expected, cTimeSchedule().ComposePeriodArray()}}})));
}

TEST_F(ProfileHandlersTest, RemovalKeepsEachProfilePairedWithItsSchedule) {
  for (int i = 1; i <= 3; ++i) Request(server, client, 120, Update(std::string(1, 'A' + i - 1), i));
  server.state.ProfilesChanged = false;
  Request(server, client, 121, EncodeString("b"));
  Request(server, client, 121, EncodeString("absent"));
  EXPECT_TRUE(server.state.ProfilesChanged);
  EXPECT_EQ(Names(), "A:1;C:3;");
  EXPECT_EQ(table().ProfileSchedules[2], nullptr);
}

TEST_F(ProfileHandlersTest, FullTableDropsNewProfilesAndShortRequestsChangeNothing) {
  for (int i = 0; i < kProfileCapacity; ++i) table().Profiles[i].Name = "P" + std::to_string(i);
  table().ProfileCount = kProfileCapacity;
  const std::string update = Encode(ProfileUpdateRequest{"P7", {ProfileRecord{}, "\x01"}});
  Request(server, client, 120, update);  // period array cut short
  Request(server, client, 120, Update("P7", 5).substr(0, 20));
  Request(server, client, 121, std::string("\x00\x03P", 3));
  EXPECT_FALSE(server.state.ProfilesChanged);
  EXPECT_EQ(table().ProfileSchedules[7], nullptr);
  Request(server, client, 120, Update("new", 5));
  EXPECT_TRUE(server.state.ProfilesChanged);
  EXPECT_EQ(table().ProfileCount, kProfileCapacity);
  EXPECT_EQ(table().Profiles[kProfileCapacity - 1].Name, "P299");
}

}  // namespace
}  // namespace orlund
