#include "protocol/messages.h"

#include <gtest/gtest.h>

#include <cctype>
#include <functional>

#include "protocol/catalogue.h"

namespace orlund {
namespace {

// Bytes written as hex digit pairs, with text between single quotes;
// spaces only separate.
std::string Wire(std::string_view notation) {
  std::string bytes;
  for (size_t i = 0; i < notation.size();) {
    if (notation[i] == ' ') {
      ++i;
    } else if (notation[i] == '\'') {
      const size_t end = notation.find('\'', i + 1);
      bytes.append(notation.substr(i + 1, end - i - 1));
      i = end + 1;
    } else {
      bytes.push_back(
          static_cast<char>(std::stoi(std::string(notation.substr(i, 2)), nullptr, 16)));
      i += 2;
    }
  }
  return bytes;
}

struct Case {
  std::string name;
  std::string wire;
  bool counted;  // starts with the count of a list
  std::function<std::string()> encode_sample;
  std::function<bool(std::string_view)> decodes_to_sample;
  std::function<std::string(std::string_view)> reencode;
};

template <typename Message>
Case Row(int type, Message sample, std::string wire, bool counted = false) {
  return {MessageName(type),
          std::move(wire),
          counted,
          [sample] { return Encode(sample); },
          [sample](std::string_view payload) { return Decode<Message>(payload) == sample; },
          [](std::string_view payload) { return Encode(Decode<Message>(payload)); }};
}

ProfileEntry SampleProfile() {
  ProfileEntry p;
  ProfileRecord& r = p.record;
  r.ProfileNumber = 1;
  r.ProfileWord = 2;
  r.Name = "N";
  r.WordsA = {3, 4, 5, 6, 7, 8};
  r.TextA = "a";
  r.TextB = "b";
  r.TextList = {"c", "d", "e", "f", "g", "h"};
  r.WordsB = {9, 10, 11};
  r.TextC = "i";
  r.WordsC = {12, 0};  // element 1 does not travel
  r.TextD = "j";
  r.TextE = "k";
  r.WordD = 13;
  r.WordTable[0] = 14;
  r.WordTable[63] = 15;
  p.period_array = "p";
  return p;
}

// WordsB element 2 (000b) travels twice, the second time after WordsC element 0.
const std::string kProfileWire =
    Wire(
        "0001 0002 0001'N' 0003 0004 0005 0006 0007 0008 0001'a' 0001'b' 0001'c' 0001'd' "
        "0001'e' 0001'f' 0001'g' 0001'h' 0009 000a 000b 0001'i' 000c 000b 0001'j' 0001'k' 000d "
        "000e") +
    std::string(2 * 62, '\0') + Wire("000f 0001'p'");

std::vector<Case> Cases() {
  DayTypeNames names;
  names[0] = "Mo";
  names[22] = "S16";
  ReceiverTypeRecord type{1, "n", "a", "g", 2, "i", "r", "s", "t", "b"};
  ReceiverEntry receiver{"R", -1, 2, 3, "t", {"a", "", "1.5", "x"}};
  const std::string receiver_wire =
      Wire("0001'R' ffff 0002 0003 0001't' 0001'a' 0000 0003'1.5' 0001'x'");
  return {
      Row(NETWORK_COMMON_KEEPALIVE, NoFields{}, ""),
      Row(NETWORK_COMMON_PROTOCOLVERSION, ProtocolVersion{4}, Wire("0004")),
      Row(NETWORK_COMMON_PROJECTPATH, ProjectPath{"/p/"}, Wire("0003'/p/'")),
      Row(NETWORK_COMMON_INIPARAMETERS,
          IniParameters{{{"General", std::string("A=1\0B=2\0", 8)}, {"Empty", ""}}},
          Wire("0002 0007'General' 0008'A=1'00'B=2'00 0005'Empty' 0000"), true),
      Row(NETWORK_COMMON_RECEIVERTYPES, ReceiverTypesAnswer{{type}},
          Wire("0001 0001 0001'n' 0001'a' 0001'g' 0002 0001'i' 0001'r' 0001's' 0001't' 0001'b'"),
          true),
      Row(NETWORK_COMMON_RECEIVERS, ReceiversAnswer{{receiver, receiver}},
          Wire("0002") + receiver_wire + receiver_wire, true),
      Row(NETWORK_COMMON_PASSWORD, PasswordRequest{"pw"}, Wire("0002'pw'")),
      Row(NETWORK_COMMON_USERLEVEL, UserLevel{32767}, Wire("00007fff")),
      Row(NETWORK_COMMON_PROFILES, ProfilesAnswer{{SampleProfile()}}, Wire("0001") + kProfileWire,
          true),
      Row(NETWORK_COMMON_AREA, AreaRequest{"N"}, Wire("0001'N'")),
      Row(NETWORK_TEXTMESSAGE_SUBMITMESSAGE, SubmitMessageRequest{{"A", "B"}, "T"},
          Wire("0005'A'fe'B'fe'T'")),
      Row(NETWORK_TEXTMESSAGE_LASTMSGRECEIVERS, LastMessageReceiversAnswer{{"A", "B"}},
          Wire("0003'A'ff'B'")),
      Row(NETWORK_TEXTMESSAGE_LASTMSGTEXT, LastMessageTextAnswer{"T"}, Wire("0001'T'")),
      Row(NETWORK_RECEIVER_UPDATE, receiver, receiver_wire),
      Row(NETWORK_RECEIVER_REMOVE, ReceiverRemove{"R"}, Wire("0001'R'")),
      Row(NETWORK_PROFILE_UPDATE, ProfileUpdateRequest{"Q", SampleProfile()},
          Wire("0001'Q'") + kProfileWire),
      Row(NETWORK_PROFILE_REMOVE, ProfileRemoveRequest{"P"}, Wire("0001'P'")),
      Row(NETWORK_HOLIDAYLABELS, HolidayLabelsAnswer{{{14609, 7, -1, "L"}}},
          Wire("0001 00003911 0007 ffff 0001'L'"), true),
      Row(NETWORK_DAYTYPENAMES, DayTypeNamesAnswer{names},
          Wire("0002'Mo'") + std::string(2 * 21, '\0') + Wire("0003'S16'")),
      Row(NETWORK_DAYTYPENAMES_UPDATE, DayTypeNameUpdateRequest{9, "H"}, Wire("0009 0001'H'")),
      Row(NETWORK_GLOBAL_CALENDAR_UPDATE, CalendarPairs{{{2, 8}, {14609, 23}}},
          Wire("0002 0002 0008 3911 0017"), true),
      Row(NETWORK_SUBMIT_COMMANDENTRY, CommandEntryRequest{"RR"}, Wire("0002'RR'")),
  };
}

TEST(MessagesTest, EveryMessageHasItsWireFormRoundTripsAndFailsCleanlyWhenCut) {
  for (const Case& c : Cases()) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(c.encode_sample(), c.wire);
    EXPECT_TRUE(c.decodes_to_sample(c.wire));
    EXPECT_EQ(c.reencode(c.wire + "\x01\x02"), c.wire);  // what follows the fields is ignored
    for (size_t cut = 0; cut < c.wire.size(); ++cut) {
      EXPECT_THROW(c.reencode(c.wire.substr(0, cut)), DecodeError) << cut << " bytes";
    }
    if (c.counted) {
      EXPECT_THROW(c.reencode("\xFF\xFF" + c.wire.substr(2)), DecodeError);
    }
  }
}

TEST(MessagesTest, SectionLinesAndShortPeriodArrays) {
  EXPECT_EQ(SplitIniLines(std::string("A=1\0\0B", 6)), (std::vector<std::string>{"A=1", "", "B"}));
  EXPECT_TRUE(SplitIniLines("").empty());
  EXPECT_THROW(ScheduleFromPeriodArray("\x01"), DecodeError);
}

}  // namespace
}  // namespace orlund
