#include <gtest/gtest.h>

#include "protocol/messages.h"
#include "testing/fake_transport.h"

namespace orlund {
namespace {

// A type 100 payload: flag -1, word 2, type 3, settings a, "", 12, z.
std::string Update(const std::string& name, const std::string& text = "note") {
  return Encode(ReceiverEntry{name, -1, 2, 3, text, {"a", "", "12", "z"}});
}

class ReceiverHandlersTest : public ::testing::Test {
 protected:
  ReceiverHandlersTest() {
    server.texts = FixedTexts({{146, "User"}, {176, "added"}, {178, "removed"}});
    sender.connection->SetUserName("al");
  }
  ReceiverTable& table() { return server.state.data.receivers; }
  std::string Names() {
    std::string names;
    for (int i = 0; i < table().ReceiverCount; ++i) names += table().Receivers[i].Name + ";";
    return names;
  }

  TestServer server;
  FakeClient sender = server.Join("10.0.0.1");
  FakeClient other = server.Join("10.0.0.2");
};

TEST_F(ReceiverHandlersTest, EmptyTablesAnswerAZeroCount) {
  Request(server, sender, 4, "ignored");
  Request(server, sender, 5);
  EXPECT_EQ(Sent(sender), std::string("\x04\x00\x00\x00\x02\x00\x00", 7) +
                              std::string("\x05\x00\x00\x00\x02\x00\x00", 7));
}

TEST_F(ReceiverHandlersTest, UpdatesAddOrReplaceByNameAndAreEchoedToEveryone) {
  // Leftovers of an earlier receiver in the free slot must not survive.
  table().Receivers[0].ExtraWord = 9;
  table().Receivers[0].ExtraTexts[2] = "old";
  const std::string payload = Update("Pager A") + "trailing";
  Request(server, sender, 100, payload);
  Request(server, sender, 100, Update("pager a", "t2"));
  const std::string echoes =
      EncodePacket(100, payload) + EncodePacket(100, Update("pager a", "t2"));
  EXPECT_EQ(Sent(sender), echoes);
  EXPECT_EQ(Sent(other), echoes);
  EXPECT_EQ(server.log.lines,
            (std::vector<std::string>{"User 'al' added 'Pager A'",
                                      "Receiver added by al from 10.0.0.1: Pager A",
                                      "Receiver changed by al from 10.0.0.1: pager a"}));
  EXPECT_TRUE(server.state.ReceiversChanged);
  EXPECT_EQ(Names(), "pager a;");
  const ReceiverRecord& stored = table().Receivers[0];
  EXPECT_EQ(stored.ExtraWord, 0);
  EXPECT_EQ(stored.ExtraTexts[2], "");
  EXPECT_EQ(
      (std::array<int16_t, 3>{stored.ReceiverFlag, stored.ReceiverWord, stored.ReceiverTypeNumber}),
      (std::array<int16_t, 3>{-1, 2, 3}));
  EXPECT_EQ(stored.ReceiverText, "t2");
  EXPECT_EQ(stored.Settings[2], Variant::FromText("12"));

  // Settings travel as text; a null value as an empty one.
  table().Receivers[0].Settings = {Variant::Null(), Variant::FromInt16(-12), Variant(),
                                   Variant::FromBoolean(-1)};
  Request(server, sender, 5);
  EXPECT_EQ(
      Sent(sender),
      EncodePacket(
          5, Encode(ReceiversAnswer{{{"pager a", -1, 2, 3, "t2", {"", "-12", "", "True"}}}})));
}

TEST_F(ReceiverHandlersTest, FullTableDropsANewNameWithoutEcho) {
  for (int i = 0; i < kReceiverCapacity; ++i) table().Receivers[i].Name = "R" + std::to_string(i);
  table().ReceiverCount = kReceiverCapacity;
  Request(server, sender, 100, Update("R300"));
  const std::string entry = Update("R1");
  Request(server, sender, 100, entry.substr(0, entry.size() - 1));
  EXPECT_EQ(Sent(sender) + Sent(other), "");
  EXPECT_TRUE(server.log.lines.empty());
  EXPECT_FALSE(server.state.ReceiversChanged);
  EXPECT_EQ(table().ReceiverCount, kReceiverCapacity);
  Request(server, sender, 100, Update("r299"));
  EXPECT_EQ(table().Receivers[299].Name, "r299");
}

TEST_F(ReceiverHandlersTest, RemovalShiftsLaterReceiversAndAlwaysReachesTheOthers) {
  for (const char* name : {"Alpha", "Beta", "Gamma"}) Request(server, sender, 100, Update(name));
  Sent(sender);
  Sent(other);
  server.log.lines.clear();
  Request(server, sender, 101, EncodeString("ALPHA") + "x");
  Request(server, sender, 101, EncodeString("Nobody"));
  Request(server, sender, 101, std::string("\0\5Beta", 6));
  EXPECT_EQ(Sent(sender), "");
  EXPECT_EQ(Sent(other),
            EncodePacket(101, EncodeString("ALPHA")) + EncodePacket(101, EncodeString("Nobody")));
  EXPECT_EQ(server.log.lines,
            (std::vector<std::string>{"User 'al' removed 'Alpha'",
                                      "Receiver removed by al from 10.0.0.1: Alpha"}));
  EXPECT_EQ(Names(), "Beta;Gamma;");
}

// A removed receiver's texts leave with it: no slot keeps their buffers.
TEST_F(ReceiverHandlersTest, RemovedReceiversTextsAreFreedNotKeptByTheSlots) {
  const std::string large(30000, 'T');
  Request(server, sender, 100, Update("Large", large));
  Request(server, sender, 100, Update("Small"));
  Request(server, sender, 101, EncodeString("Large"));
  size_t held = 0;
  for (const ReceiverRecord& receiver : table().Receivers) held += receiver.ReceiverText.capacity();
  EXPECT_LT(held, large.size());
}

}  // namespace
}  // namespace orlund
