// One exchange per request family against the real server over loopback, each
// answer checked byte for byte: receivers, day types with holidays and the
// global calendar. The rules of each request are tested in its handler's unit
// test, their saves in the timer's; logins, profiles, messages and commands
// end to end in the orlund-cli tests.

#include <gtest/gtest.h>

#include "protocol/messages.h"
#include "schedule/calendar.h"
#include "store/receivers.h"
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

}  // namespace
}  // namespace orlund::testing
