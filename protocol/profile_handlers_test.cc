#include <gtest/gtest.h>

#include "protocol/codec.h"
#include "protocol/handler_testing.h"
#include "protocol/profile_codec.h"

namespace orlund {
namespace {

// A record with a distinct value in every field.
ProfileRecord DistinctProfile(const std::string& name) {
  ProfileRecord r;
  int16_t next = 1;
  r.ProfileNumber = next++;
  r.ProfileWord = -next++;
  r.Name = name;
  for (int16_t& w : r.WordsA) w = next++;
  r.TextA = "text A";
  r.TextB = std::string("b\0\xFF", 3);
  for (size_t i = 0; i < r.TextList.size(); ++i) r.TextList[i] = "list " + std::to_string(i);
  for (int16_t& w : r.WordsB) w = next++;
  r.TextC = "c";
  r.WordsC = {next, static_cast<int16_t>(next + 1)};
  next += 2;
  r.TextD = "d";
  r.TextE = "\xE9";
  r.WordD = next++;
  for (int16_t& w : r.WordTable) w = static_cast<int16_t>(-300 * next++);
  return r;
}

std::unique_ptr<cTimeSchedule> Schedule(int16_t start) {
  auto schedule = std::make_unique<cTimeSchedule>();
  schedule->AppendPeriod(2, start, 960);
  schedule->AppendPeriod(9, 0, 1440);
  schedule->m_UseCalendar = -1;
  return schedule;
}

TEST(ProfileCodecTest, RoundTripsEveryFieldButTheSecondWordOfWordsC) {
  const ProfileRecord original = DistinctProfile("Night shift");
  const auto schedule = Schedule(420);
  const std::string encoded = EncodeProfile(original, *schedule);

  ProfileRecord target = DistinctProfile("other");
  target.WordsC[1] = 999;
  PayloadReader reader(encoded);
  const auto decoded_schedule = DecodeProfile(reader, target);
  EXPECT_EQ(reader.remaining(), 0u);
  ProfileRecord expected = original;
  expected.WordsC[1] = 999;
  EXPECT_EQ(target, expected);
  EXPECT_EQ(decoded_schedule->ComposePeriodArray(), schedule->ComposePeriodArray());
  EXPECT_EQ(EncodeProfile(target, *decoded_schedule), encoded);
}

TEST(ProfileCodecTest, EmptyProfileLayoutAndTheSecondWordsBWins) {
  const cTimeSchedule schedule;
  std::string encoded = EncodeProfile(ProfileRecord{}, schedule);
  const std::string period_array = schedule.ComposePeriodArray();
  ASSERT_EQ(encoded.size(), 2 * 78 + 12 * 2 + 2 + period_array.size());
  EXPECT_EQ(encoded.substr(encoded.size() - period_array.size()), period_array);

  // With every text empty, WordsB element 2 lies at 38 and its copy at 44.
  encoded.replace(38, 2, EncodeInt16(5));
  encoded.replace(44, 2, EncodeInt16(6));
  ProfileRecord record;
  PayloadReader reader(encoded);
  DecodeProfile(reader, record);
  EXPECT_EQ(record.WordsB[2], 6);
}

TEST(ProfileCodecTest, EveryShortenedEncodingFailsAndLeavesTheRecordAlone) {
  const std::string encoded = EncodeProfile(DistinctProfile("p"), *Schedule(1));
  const ProfileRecord before = DistinctProfile("kept");
  for (size_t length = 0; length < encoded.size(); ++length) {
    ProfileRecord record = before;
    PayloadReader reader(std::string_view(encoded).substr(0, length));
    EXPECT_THROW(DecodeProfile(reader, record), DecodeError) << length;
    EXPECT_EQ(record, before) << length;
  }
}

class ProfileHandlersTest : public ::testing::Test {
 protected:
  ProfileTable& table() { return server.state.data.profiles; }

  void Update(const std::string& leading_name, const std::string& inner_name, int16_t start) {
    Request(
        server, client, 120,
        EncodeString(leading_name) + EncodeProfile(DistinctProfile(inner_name), *Schedule(start)));
  }

  int16_t FirstStart(int slot) {
    return table().ProfileSchedules[slot]->GetPeriods(2).at(0)->m_StartMinute;
  }

  TestServer server;
  FakeClient client = server.Join();
};

TEST_F(ProfileHandlersTest, UpdatesAddOrChangeByLeadingNameAndAnswerNobody) {
  Request(server, client, 8);
  EXPECT_EQ(TakeOnly(client), std::string("\x08\x00\x00\x00\x02\x00\x00", 7));

  // Leftovers in the free slot do not reach a new profile.
  table().Profiles[0].WordsC[1] = 77;
  Update("Day", "inner name", 100);
  ASSERT_EQ(table().ProfileCount, 1);
  EXPECT_EQ(table().Profiles[0].Name, "Day");
  EXPECT_EQ(table().Profiles[0].WordsC[1], 0);
  EXPECT_EQ(FirstStart(0), 100);
  EXPECT_TRUE(server.state.ProfilesChanged);

  table().Profiles[0].WordsC[1] = 55;
  Update("DAY", "x", 200);
  ASSERT_EQ(table().ProfileCount, 1);
  EXPECT_EQ(table().Profiles[0].Name, "DAY");
  EXPECT_EQ(table().Profiles[0].WordsC[1], 55);
  EXPECT_EQ(FirstStart(0), 200);
  EXPECT_TRUE(TakeWritten(client).empty());

  Request(server, client, 8);
  EXPECT_EQ(TakeOnly(client),
            EncodePacket(8, EncodeInt16(1) +
                                EncodeProfile(table().Profiles[0], *table().ProfileSchedules[0])));
}

TEST_F(ProfileHandlersTest, RemovalKeepsEachProfilePairedWithItsSchedule) {
  Update("A", "", 1);
  Update("B", "", 2);
  Update("C", "", 3);
  const cTimeSchedule* schedule_c = table().ProfileSchedules[2].get();
  server.state.ProfilesChanged = false;
  Request(server, client, 121, EncodeString("b"));
  ASSERT_EQ(table().ProfileCount, 2);
  EXPECT_EQ(table().Profiles[0].Name, "A");
  EXPECT_EQ(table().Profiles[1].Name, "C");
  EXPECT_EQ(FirstStart(0), 1);
  EXPECT_EQ(table().ProfileSchedules[1].get(), schedule_c);
  EXPECT_EQ(table().ProfileSchedules[2], nullptr);
  EXPECT_TRUE(server.state.ProfilesChanged);

  server.state.ProfilesChanged = false;
  Request(server, client, 121, EncodeString("absent"));
  EXPECT_EQ(table().ProfileCount, 2);
  EXPECT_TRUE(server.state.ProfilesChanged);
  EXPECT_TRUE(TakeWritten(client).empty());
}

TEST_F(ProfileHandlersTest, ProfilesWithoutScheduleTravelWithAnEmptyOne) {
  table().Profiles[0].Name = "Loose";
  table().ProfileCount = 1;
  Request(server, client, 8);
  EXPECT_EQ(TakeOnly(client),
            EncodePacket(8, EncodeInt16(1) + EncodeProfile(table().Profiles[0], cTimeSchedule())));
}

TEST_F(ProfileHandlersTest, FullTableDropsNewProfilesAndShortUpdatesChangeNothing) {
  for (int i = 0; i < kProfileCapacity; ++i) table().Profiles[i].Name = "P" + std::to_string(i);
  table().ProfileCount = kProfileCapacity;
  Update("new", "", 5);
  EXPECT_EQ(table().ProfileCount, kProfileCapacity);
  EXPECT_TRUE(server.state.ProfilesChanged);

  server.state.ProfilesChanged = false;
  const std::string payload =
      EncodeString("P7") + EncodeProfile(DistinctProfile("P7"), *Schedule(9));
  Request(server, client, 120, payload.substr(0, payload.size() - 1));
  Request(server, client, 121, std::string("\x00\x03P", 3));
  ProfileRecord untouched;
  untouched.Name = "P7";
  EXPECT_EQ(table().Profiles[7], untouched);
  EXPECT_EQ(table().ProfileSchedules[7], nullptr);
  EXPECT_EQ(table().ProfileCount, kProfileCapacity);
  EXPECT_FALSE(server.state.ProfilesChanged);
}

}  // namespace
}  // namespace orlund
