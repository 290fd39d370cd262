#pragma once
// Every message of the client protocol as a plain value, with its codec:
// Encode(message) gives the payload, Decode<Message>(payload) reads one from
// the front of a payload. The server and orlund-cli both use these, so each
// payload layout exists once. A type used in both directions has one layout;
// the requests that carry no fields (4, 5, 8, 61, 62, 140, 160, 180) and the
// keep-alive are NoFields.
//
// Decoders ignore the bytes after the last field and throw DecodeError when
// the payload ends before a field, a text runs past its end, or a count is
// negative; they never read past the end. Encoders cut a text longer than
// 32767 bytes (EncodeString).

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "protocol/codec.h"
#include "schedule/time_schedule.h"
#include "store/holidays.h"
#include "store/profile_record.h"
#include "store/receiver_types.h"

namespace orlund {

// Reads one message of type Message from the front of `payload`.
template <typename Message>
Message Decode(std::string_view payload);

// 0 NETWORK_COMMON_KEEPALIVE, and every request without fields: nothing.
// Whatever payload such a request carries is ignored.
struct NoFields {
  friend bool operator==(const NoFields&, const NoFields&) = default;
};
std::string Encode(const NoFields&);
template <>
NoFields Decode<NoFields>(std::string_view payload);

// 1 NETWORK_COMMON_PROTOCOLVERSION, server to client: int16 version.
struct ProtocolVersion {
  int16_t version = 0;
  friend bool operator==(const ProtocolVersion&, const ProtocolVersion&) = default;
};
std::string Encode(const ProtocolVersion& message);
template <>
ProtocolVersion Decode<ProtocolVersion>(std::string_view payload);

// 2 NETWORK_COMMON_PROJECTPATH, server to client: string path.
struct ProjectPath {
  std::string path;
  friend bool operator==(const ProjectPath&, const ProjectPath&) = default;
};
std::string Encode(const ProjectPath& message);
template <>
ProjectPath Decode<ProjectPath>(std::string_view payload);

// 3 NETWORK_COMMON_INIPARAMETERS, server to client: int16 count, then per
// section string name and string lines.
struct IniSection {
  std::string name;   // as the INI file spells it, without brackets
  std::string lines;  // each line followed by one byte 0
  friend bool operator==(const IniSection&, const IniSection&) = default;
};
struct IniParameters {
  std::vector<IniSection> sections;
  friend bool operator==(const IniParameters&, const IniParameters&) = default;
};
std::string Encode(const IniParameters& message);
template <>
IniParameters Decode<IniParameters>(std::string_view payload);

// The lines of a section's lines text; a last line without its byte 0 still
// counts.
std::vector<std::string> SplitIniLines(std::string_view lines);

// 4 NETWORK_COMMON_RECEIVERTYPES answer: int16 count, then per type int16
// Number, string Name, string SpareTextA, string Algorithm, int16
// MessageLength, string IniFile, string RcvFile, string
// ReceiverSetupTemplate, string ReceiverTypeSetupTemplate, string SpareTextB.
struct ReceiverTypesAnswer {
  std::vector<ReceiverTypeRecord> types;
  friend bool operator==(const ReceiverTypesAnswer&, const ReceiverTypesAnswer&) = default;
};
std::string Encode(const ReceiverTypesAnswer& message);
template <>
ReceiverTypesAnswer Decode<ReceiverTypesAnswer>(std::string_view payload);

// 100 NETWORK_RECEIVER_UPDATE, both ways, and each entry of the type 5
// answer: string Name, int16 ReceiverFlag, int16 ReceiverWord, int16
// ReceiverTypeNumber, string ReceiverText, four strings Settings. The
// settings travel in their text form (Variant::ToText, Variant::FromText).
struct ReceiverEntry {
  std::string Name;
  int16_t ReceiverFlag = 0;
  int16_t ReceiverWord = 0;
  int16_t ReceiverTypeNumber = 0;
  std::string ReceiverText;
  std::array<std::string, 4> Settings;
  friend bool operator==(const ReceiverEntry&, const ReceiverEntry&) = default;
};
std::string Encode(const ReceiverEntry& message);
template <>
ReceiverEntry Decode<ReceiverEntry>(std::string_view payload);

// 5 NETWORK_COMMON_RECEIVERS answer: int16 count, then the entries.
struct ReceiversAnswer {
  std::vector<ReceiverEntry> receivers;
  friend bool operator==(const ReceiversAnswer&, const ReceiversAnswer&) = default;
};
std::string Encode(const ReceiversAnswer& message);
template <>
ReceiversAnswer Decode<ReceiversAnswer>(std::string_view payload);

// 6 NETWORK_COMMON_PASSWORD request: string password (may be empty). The
// answer is a UserLevel.
struct PasswordRequest {
  std::string password;
  friend bool operator==(const PasswordRequest&, const PasswordRequest&) = default;
};
std::string Encode(const PasswordRequest& message);
template <>
PasswordRequest Decode<PasswordRequest>(std::string_view payload);

// 7 NETWORK_COMMON_USERLEVEL, server to client: int32 level.
struct UserLevel {
  int32_t level = 0;
  friend bool operator==(const UserLevel&, const UserLevel&) = default;
};
std::string Encode(const UserLevel& message);
template <>
UserLevel Decode<UserLevel>(std::string_view payload);

// One profile with its weekly schedule, as types 8 and 120 carry it: the
// record's fields in file order, every integer as int16 and every text as a
// string, except that WordsB element 2 travels a second time in the place of
// WordsC element 1 (decoding, the second copy wins and WordsC element 1 is
// 0); then the schedule as one string, its period array.
struct ProfileEntry {
  ProfileRecord record;
  std::string period_array;  // cTimeSchedule::ComposePeriodArray
  friend bool operator==(const ProfileEntry&, const ProfileEntry&) = default;
};

// The schedule of a period array. Throws DecodeError when the array is cut
// short, so a caller that builds the schedule before it changes anything
// drops such a request whole.
std::unique_ptr<cTimeSchedule> ScheduleFromPeriodArray(std::string_view period_array);

// 8 NETWORK_COMMON_PROFILES answer: int16 count, then the profiles.
struct ProfilesAnswer {
  std::vector<ProfileEntry> profiles;
  friend bool operator==(const ProfilesAnswer&, const ProfilesAnswer&) = default;
};
std::string Encode(const ProfilesAnswer& message);
template <>
ProfilesAnswer Decode<ProfilesAnswer>(std::string_view payload);

// 9 NETWORK_COMMON_AREA request: string area. No answer.
struct AreaRequest {
  std::string area;
  friend bool operator==(const AreaRequest&, const AreaRequest&) = default;
};
std::string Encode(const AreaRequest& message);
template <>
AreaRequest Decode<AreaRequest>(std::string_view payload);

// 60 NETWORK_TEXTMESSAGE_SUBMITMESSAGE request: one string, the receiver
// names each followed by byte 254, then the text. The text is what follows
// the last byte 254, so a message without one has no receivers.
struct SubmitMessageRequest {
  std::vector<std::string> receivers;
  std::string text;
  friend bool operator==(const SubmitMessageRequest&, const SubmitMessageRequest&) = default;
};
std::string Encode(const SubmitMessageRequest& message);
template <>
SubmitMessageRequest Decode<SubmitMessageRequest>(std::string_view payload);

// The string a type 60 request carries, as it travels.
std::string MessageString(const SubmitMessageRequest& message);

// 61 NETWORK_TEXTMESSAGE_LASTMSGRECEIVERS answer: one string, the receivers
// of the last message separated by byte 255; empty when none is stored.
struct LastMessageReceiversAnswer {
  std::vector<std::string> receivers;
  friend bool operator==(const LastMessageReceiversAnswer&,
                         const LastMessageReceiversAnswer&) = default;
};
std::string Encode(const LastMessageReceiversAnswer& message);
template <>
LastMessageReceiversAnswer Decode<LastMessageReceiversAnswer>(std::string_view payload);

// The receiver list in the form type 61 carries and the settings store
// keeps: names separated by byte 255. An empty text is no receivers.
std::string JoinLastReceivers(const std::vector<std::string>& receivers);
std::vector<std::string> SplitLastReceivers(std::string_view text);

// 62 NETWORK_TEXTMESSAGE_LASTMSGTEXT answer: string, the text of the last
// message.
struct LastMessageTextAnswer {
  std::string text;
  friend bool operator==(const LastMessageTextAnswer&, const LastMessageTextAnswer&) = default;
};
std::string Encode(const LastMessageTextAnswer& message);
template <>
LastMessageTextAnswer Decode<LastMessageTextAnswer>(std::string_view payload);

// 101 NETWORK_RECEIVER_REMOVE, both ways: string receiver name.
struct ReceiverRemove {
  std::string name;
  friend bool operator==(const ReceiverRemove&, const ReceiverRemove&) = default;
};
std::string Encode(const ReceiverRemove& message);
template <>
ReceiverRemove Decode<ReceiverRemove>(std::string_view payload);

// 120 NETWORK_PROFILE_UPDATE request: string name, then one profile; the
// leading name is the one the server stores. No answer.
struct ProfileUpdateRequest {
  std::string name;
  ProfileEntry profile;
  friend bool operator==(const ProfileUpdateRequest&, const ProfileUpdateRequest&) = default;
};
std::string Encode(const ProfileUpdateRequest& message);
template <>
ProfileUpdateRequest Decode<ProfileUpdateRequest>(std::string_view payload);

// 121 NETWORK_PROFILE_REMOVE request: string profile name. No answer.
struct ProfileRemoveRequest {
  std::string name;
  friend bool operator==(const ProfileRemoveRequest&, const ProfileRemoveRequest&) = default;
};
std::string Encode(const ProfileRemoveRequest& message);
template <>
ProfileRemoveRequest Decode<ProfileRemoveRequest>(std::string_view payload);

// 140 NETWORK_HOLIDAYLABELS answer: int16 count, then per holiday int32 day
// index, int16 day type, int16 view-in-calendar value, string label.
struct HolidayLabelsAnswer {
  std::vector<HolidayEntry> holidays;
  friend bool operator==(const HolidayLabelsAnswer&, const HolidayLabelsAnswer&) = default;
};
std::string Encode(const HolidayLabelsAnswer& message);
template <>
HolidayLabelsAnswer Decode<HolidayLabelsAnswer>(std::string_view payload);

// Names of day types 0..22 in day type order.
using DayTypeNames = std::array<std::string, kDayTypeCount>;

// 160 NETWORK_DAYTYPENAMES answer: exactly 23 strings, no count.
struct DayTypeNamesAnswer {
  DayTypeNames names;
  friend bool operator==(const DayTypeNamesAnswer&, const DayTypeNamesAnswer&) = default;
};
std::string Encode(const DayTypeNamesAnswer& message);
template <>
DayTypeNamesAnswer Decode<DayTypeNamesAnswer>(std::string_view payload);

// 161 NETWORK_DAYTYPENAMES_UPDATE request: int16 day type, string new name.
// No answer.
struct DayTypeNameUpdateRequest {
  int16_t day_type = 0;
  std::string name;
  friend bool operator==(const DayTypeNameUpdateRequest&,
                         const DayTypeNameUpdateRequest&) = default;
};
std::string Encode(const DayTypeNameUpdateRequest& message);
template <>
DayTypeNameUpdateRequest Decode<DayTypeNameUpdateRequest>(std::string_view payload);

// One day of the global calendar: its day index and its entry (day type + 1).
struct CalendarPair {
  int16_t day_index = 0;
  int16_t entry = 0;
  friend bool operator==(const CalendarPair&, const CalendarPair&) = default;
};

// 180 NETWORK_PROFILE_CALENDAR answer and 181 NETWORK_GLOBAL_CALENDAR_UPDATE
// request: int16 count, then per day int16 day index and int16 entry.
struct CalendarPairs {
  std::vector<CalendarPair> pairs;
  friend bool operator==(const CalendarPairs&, const CalendarPairs&) = default;
};
std::string Encode(const CalendarPairs& message);
template <>
CalendarPairs Decode<CalendarPairs>(std::string_view payload);

// 190 NETWORK_SUBMIT_COMMANDENTRY request: string command. No answer.
struct CommandEntryRequest {
  std::string command;
  friend bool operator==(const CommandEntryRequest&, const CommandEntryRequest&) = default;
};
std::string Encode(const CommandEntryRequest& message);
template <>
CommandEntryRequest Decode<CommandEntryRequest>(std::string_view payload);

}  // namespace orlund
