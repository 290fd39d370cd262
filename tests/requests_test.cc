// One exchange per request family against the real server over loopback, each
// answer checked byte for byte: login, receivers, profiles, day types with
// holidays and the global calendar, messages and command entries. The rules
// of each request are tested in its handler's unit test.

#include <gtest/gtest.h>

#include "protocol/messages.h"
#include "schedule/calendar.h"
#include "store/profiles.h"
#include "store/receivers.h"
#include "store/users.h"
#include "testing/harness.h"

namespace orlund::testing {
namespace {

// A long keep-alive interval: clients that only listen are not dropped.
constexpr char kQuiet[] = "ActiveXKeepAliveInterval=60000\n";

// The whole next packet (keep-alives skipped), framed as it came.
std::string Next(Client& client) {
  auto packet = client.ReadSkippingKeepAlives();
  return packet ? EncodePacket(packet->type, packet->payload) : "<nothing>";
}

TEST(RequestsTest, LoginWhenLoginIsRequired) {
  Project project(std::string("RequireActiveXLogin=1\n") + kQuiet);
  WriteFile(project.dir + "Orlund_Users.dat",
            EncodeUsersFile(std::vector<UserRecord>{{"ann", "Secret", 9}, {"bob", "other", 3}}));
  auto server = project.Start();
  Client client(project.port);
  auto start = client.ReadStartPackets();
  ASSERT_EQ(start.size(), 4u);
  EXPECT_EQ(EncodePacket(start[3].type, start[3].payload), Bytes({7, 0, 0, 0, 4, 0, 0, 0, 0}));
  client.Send(6, EncodeString("sEcReT"));
  EXPECT_EQ(Next(client), Bytes({7, 0, 0, 0, 4, 0, 0, 0, 9}));
  client.Send(6, EncodeString("wrong"));
  EXPECT_EQ(Next(client), Bytes({7, 0, 0, 0, 4, 0, 0, 0, 0}));
}

TEST(RequestsTest, ReceiversAreSharedWithEveryClientAndSavedAtTheNextTick) {
  Project project(kQuiet);
  auto server = project.Start();
  Client sender(project.port);
  Client other(project.port);
  ASSERT_EQ(sender.ReadStartPackets().size(), 4u);
  ASSERT_EQ(other.ReadStartPackets().size(), 4u);

  sender.Send(4, "ignored");
  EXPECT_EQ(Next(sender), Bytes({4, 0, 0, 0, 2, 0, 0}));
  const std::string entry =
      Encode(ReceiverEntry{"Front Door", -1, 12, 3, "ground floor", {"1", "x", "", "2.5"}});
  sender.Send(100, entry);
  EXPECT_EQ(Next(sender), EncodePacket(100, entry));
  EXPECT_EQ(Next(other), EncodePacket(100, entry));
  other.Send(5);
  EXPECT_EQ(Next(other), EncodePacket(5, EncodeInt16(1) + entry));
  other.Send(101, EncodeString("No Such Receiver"));
  EXPECT_EQ(Next(sender), EncodePacket(101, EncodeString("No Such Receiver")));

  // The next tick writes the receiver files and tells the alarm server.
  ASSERT_TRUE(WaitFor([&] { return project.Commands() == std::vector<std::string>{"RR"}; }))
      << ::testing::PrintToString(project.Commands());
  ReceiverFile saved = DecodeReceiverFile(ReadFile(project.dir + "Receivers/Receiver_0000.dat"));
  ASSERT_EQ(saved.status, ReceiverFile::Status::kLoaded);
  EXPECT_EQ(saved.record.ReceiverText, "ground floor");
}

TEST(RequestsTest, ProfilesAreChangedAndSavedAtTheNextTick) {
  Project project(kQuiet);
  auto server = project.Start();
  Client client(project.port);
  ASSERT_EQ(client.ReadStartPackets().size(), 4u);
  ProfileEntry night;
  night.record.Name = "Night Shift";
  night.record.TextE = "e\xfe";
  night.record.WordTable[63] = -7;
  cTimeSchedule schedule;
  schedule.AppendPeriod(9, 0, 1439);
  schedule.m_UseCalendar = -1;
  night.period_array = schedule.ComposePeriodArray();
  client.Send(120, Encode(ProfileUpdateRequest{"Night Shift", night}));
  client.Send(120, Encode(ProfileUpdateRequest{"Day Shift", night}));
  client.Send(121, EncodeString("day SHIFT"));
  client.Send(8);
  EXPECT_EQ(Next(client), EncodePacket(8, Encode(ProfilesAnswer{{night}})));

  ASSERT_TRUE(WaitFor([&] { return project.Commands() == std::vector<std::string>{"RP:-1"}; }))
      << ::testing::PrintToString(project.Commands());
  std::vector<std::string> saved;
  for (const auto& entry : std::filesystem::directory_iterator(project.dir + "Profiles")) {
    ProfileRecord record;
    std::unique_ptr<cTimeSchedule> file_schedule;
    DecodeProfileFile(ReadFile(entry.path()), record, file_schedule);
    saved.push_back(record.Name + " " + file_schedule->ComposePeriodArray());
  }
  EXPECT_EQ(saved, std::vector<std::string>{"Night Shift " + night.period_array});
}

TEST(RequestsTest, DayTypesHolidaysAndTheGlobalCalendar) {
  TestTempDir app;
  WriteFile(app.path() + "Orlund_Texts.ENG", ReadFile(BinDir() + "Orlund_Texts.ENG"));
  Project project(kQuiet);
  std::filesystem::create_directories(project.dir + "Profiles");
  auto server = project.Start({"/APPPATH:" + app.path()});
  Client client(project.port);
  ASSERT_EQ(client.ReadStartPackets().size(), 4u);

  client.Send(161, EncodeInt16(9) + EncodeString("Inventory day"));
  client.Send(160);
  std::string names;
  for (const char* name :
       {"Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday", "Sunday",
        "Public holiday", "Half holiday", "Inventory day", "Bridge day", "Christmas Eve",
        "New Year's Eve", "School holiday", "Maintenance day"}) {
    names += EncodeString(name);
  }
  for (int n = 9; n <= 16; ++n) names += EncodeString("Special day " + std::to_string(n));
  EXPECT_EQ(Next(client), EncodePacket(160, names));

  WriteFile(app.path() + "Orlund_Holidays.ENG", "2039-12-31;3;-1;Last day\n");
  client.Send(140);
  EXPECT_EQ(Next(client), EncodePacket(140, EncodeInt16(1) + EncodeInt32(14609) + EncodeInt16(3) +
                                                EncodeInt16(-1) + EncodeString("Last day")));

  const std::string pairs =
      EncodeInt16(2) + EncodeInt16(0) + EncodeInt16(8) + EncodeInt16(14609) + EncodeInt16(3);
  client.Send(181, pairs);
  client.Send(180);
  EXPECT_EQ(Next(client), EncodePacket(180, pairs));
  std::string file(kCalendarFileSize, '\0');
  file[0] = 8;
  file[kCalendarFileSize - 2] = 3;
  EXPECT_TRUE(ReadFile(GlobalCalendarPath(project.dir)) == file);
}

TEST(RequestsTest, MessagesAndCommandsAreQueuedAndTheLastMessageOutlivesARestart) {
  Project project(kQuiet);
  auto server = project.Start();
  const std::string message =
      "Gate A\xfeGate B\xfe"
      "Fire drill at 10\xe4";
  {
    Client client(project.port);
    ASSERT_EQ(client.ReadStartPackets().size(), 4u);
    client.Send(60, EncodeString(message));
    client.Send(190, EncodeString("SOME;COMMAND \xfe text"));
    std::vector<std::string> expected = {"FT:" + message, "SOME;COMMAND \xfe text"};
    EXPECT_TRUE(WaitFor([&] { return project.Commands() == expected; }))
        << ::testing::PrintToString(project.Commands());
  }
  ASSERT_EQ(server->Stop(SIGTERM), 0);
  server = project.Start();
  Client client(project.port);
  ASSERT_EQ(client.ReadStartPackets().size(), 4u);
  client.Send(61);
  EXPECT_EQ(Next(client), EncodePacket(61, EncodeString("Gate A\xffGate B")));
  client.Send(62);
  EXPECT_EQ(Next(client), EncodePacket(62, EncodeString("Fire drill at 10\xe4")));
}

}  // namespace
}  // namespace orlund::testing
