#include <gtest/gtest.h>

#include "protocol/codec.h"
#include "protocol/handler_testing.h"

namespace orlund {
namespace {

// A type 100 payload.
std::string ReceiverEntry(const std::string& name, int flag = -1, int word = 2, int type = 3,
                          const std::string& text = "note",
                          std::array<std::string, 4> settings = {"a", "", "12", "z"}) {
  std::string out = EncodeString(name) + EncodeInt16(flag) + EncodeInt16(word) + EncodeInt16(type) +
                    EncodeString(text);
  for (const std::string& s : settings) out += EncodeString(s);
  return out;
}

class ReceiverHandlersTest : public ::testing::Test {
 protected:
  ReceiverHandlersTest() {
    server.texts = FixedTexts({{146, "User"}, {176, "added receiver"}, {178, "removed receiver"}});
    sender.connection->SetUserName("alice");
  }

  ReceiverTable& table() { return server.state.data.receivers; }

  void Add(const std::string& name) {
    Request(server, sender, 100, ReceiverEntry(name));
    TakeWritten(sender);
    TakeWritten(other);
  }

  TestServer server;
  FakeClient sender = server.Join("10.0.0.1");
  FakeClient other = server.Join("10.0.0.2");
};

TEST_F(ReceiverHandlersTest, ReceiverTypesAnswerTheTableInOrder) {
  Request(server, sender, 4, "ignored");
  EXPECT_EQ(TakeOnly(sender), std::string("\x04\x00\x00\x00\x02\x00\x00", 7));

  ReceiverTypeRecord& type = server.state.data.receiver_types.ReceiverTypes[0];
  type = {7,
          "Pager",
          "",
          "TAP",
          160,
          "ReceiverTypes/P.INI",
          "ReceiverTypes/P.rcv",
          std::string("r1\0", 3),
          std::string("t1\0", 3),
          ""};
  server.state.data.receiver_types.ReceiverTypeCount = 1;
  Request(server, sender, 4);
  EXPECT_EQ(
      TakeOnly(sender),
      EncodePacket(
          4, EncodeInt16(1) + EncodeInt16(7) + EncodeString("Pager") + EncodeString("") +
                 EncodeString("TAP") + EncodeInt16(160) + EncodeString("ReceiverTypes/P.INI") +
                 EncodeString("ReceiverTypes/P.rcv") + EncodeString(std::string("r1\0", 3)) +
                 EncodeString(std::string("t1\0", 3)) + EncodeString("")));
  EXPECT_TRUE(TakeWritten(other).empty());
}

TEST_F(ReceiverHandlersTest, NewReceiverIsLoggedStoredEmptyAndEchoedToEveryone) {
  Request(server, sender, 5);
  EXPECT_EQ(TakeOnly(sender), EncodePacket(5, EncodeInt16(0)));

  // Leftovers of an earlier receiver in the free slot must not survive.
  table().Receivers[0].ExtraWord = 9;
  table().Receivers[0].ExtraBytes[3] = 1;
  table().Receivers[0].ExtraTexts[2] = "old";
  const std::string payload = ReceiverEntry("Pager A") + "trailing";
  Request(server, sender, 100, payload);
  EXPECT_EQ(TakeOnly(sender), EncodePacket(100, payload));
  EXPECT_EQ(TakeOnly(other), EncodePacket(100, payload));
  EXPECT_EQ(server.log.lines, std::vector<std::string>{"User 'alice' added receiver 'Pager A'"});
  EXPECT_TRUE(server.state.ReceiversChanged);
  ASSERT_EQ(table().ReceiverCount, 1);
  const ReceiverRecord& stored = table().Receivers[0];
  EXPECT_EQ(stored.ExtraWord, 0);
  EXPECT_EQ(stored.ExtraBytes, (std::array<uint8_t, 8>{}));
  EXPECT_EQ(stored.ExtraTexts, (std::array<std::string, 4>{}));
  EXPECT_EQ(stored.ReceiverFlag, -1);
  EXPECT_EQ(stored.ReceiverWord, 2);
  EXPECT_EQ(stored.ReceiverTypeNumber, 3);
  EXPECT_EQ(stored.ReceiverText, "note");
  EXPECT_EQ(stored.Settings[2], Variant::FromText("12"));
}

TEST_F(ReceiverHandlersTest, UpdateInOtherLetterCaseReplacesTheReceiverWithoutALogLine) {
  Add("Pager A");
  Add("Pager B");
  server.log.lines.clear();
  Request(server, sender, 100, ReceiverEntry("pager a", 0, 5, 6, "t2", {"x", "y", "z", "w"}));
  EXPECT_EQ(TakeWritten(sender).size(), 1u);
  EXPECT_EQ(TakeWritten(other).size(), 1u);
  EXPECT_TRUE(server.log.lines.empty());
  ASSERT_EQ(table().ReceiverCount, 2);
  EXPECT_EQ(table().Receivers[0].Name, "pager a");
  EXPECT_EQ(table().Receivers[0].ReceiverText, "t2");
  EXPECT_EQ(table().Receivers[0].Settings[3], Variant::FromText("w"));
}

TEST_F(ReceiverHandlersTest, ReceiversAnswerSettingsAsText) {
  Add("R");
  table().Receivers[0].Settings = {Variant::Null(), Variant::FromInt16(-12), Variant(),
                                   Variant::FromBoolean(-1)};
  Request(server, sender, 5);
  EXPECT_EQ(TakeOnly(sender),
            EncodePacket(5, EncodeInt16(1) + EncodeString("R") + EncodeInt16(-1) + EncodeInt16(2) +
                                EncodeInt16(3) + EncodeString("note") + EncodeString("") +
                                EncodeString("-12") + EncodeString("") + EncodeString("True")));
}

TEST_F(ReceiverHandlersTest, FullTableDropsANewNameButUpdatesAKnownOne) {
  for (int i = 0; i < kReceiverCapacity; ++i) table().Receivers[i].Name = "R" + std::to_string(i);
  table().ReceiverCount = kReceiverCapacity;
  Request(server, sender, 100, ReceiverEntry("R300"));
  EXPECT_TRUE(TakeWritten(sender).empty());
  EXPECT_TRUE(TakeWritten(other).empty());
  EXPECT_TRUE(server.log.lines.empty());
  EXPECT_FALSE(server.state.ReceiversChanged);
  EXPECT_EQ(table().ReceiverCount, kReceiverCapacity);

  Request(server, sender, 100, ReceiverEntry("r299"));
  EXPECT_EQ(TakeWritten(sender).size(), 1u);
  EXPECT_EQ(table().Receivers[299].Name, "r299");
  EXPECT_TRUE(server.state.ReceiversChanged);
}

TEST_F(ReceiverHandlersTest, RemovalShiftsLaterReceiversAndReachesTheOthers) {
  Add("Alpha");
  Add("Beta");
  Add("Gamma");
  server.log.lines.clear();
  server.state.ReceiversChanged = false;
  Request(server, sender, 101, EncodeString("ALPHA") + "x");
  EXPECT_TRUE(TakeWritten(sender).empty());
  EXPECT_EQ(TakeOnly(other), EncodePacket(101, EncodeString("ALPHA")));
  EXPECT_EQ(server.log.lines, std::vector<std::string>{"User 'alice' removed receiver 'Alpha'"});
  ASSERT_EQ(table().ReceiverCount, 2);
  EXPECT_EQ(table().Receivers[0].Name, "Beta");
  EXPECT_EQ(table().Receivers[1].Name, "Gamma");
  EXPECT_TRUE(server.state.ReceiversChanged);

  // An absent name changes nothing here, but the others still hear of it.
  server.state.ReceiversChanged = false;
  Request(server, sender, 101, EncodeString("Nobody"));
  EXPECT_EQ(TakeOnly(other), EncodePacket(101, EncodeString("Nobody")));
  EXPECT_EQ(table().ReceiverCount, 2);
  EXPECT_EQ(server.log.lines.size(), 1u);
  EXPECT_TRUE(server.state.ReceiversChanged);
}

TEST_F(ReceiverHandlersTest, ShortRequestsChangeNothing) {
  Add("Alpha");
  server.state.ReceiversChanged = false;
  const std::string entry = ReceiverEntry("Alpha", 4);
  Request(server, sender, 100, entry.substr(0, entry.size() - 1));
  Request(server, sender, 101,
          std::string("\x00\x05"
                      "Alph",
                      6));
  EXPECT_EQ(table().ReceiverCount, 1);
  EXPECT_EQ(table().Receivers[0].ReceiverFlag, -1);
  EXPECT_FALSE(server.state.ReceiversChanged);
  EXPECT_TRUE(TakeWritten(sender).empty());
  EXPECT_TRUE(TakeWritten(other).empty());
}

}  // namespace
}  // namespace orlund
