#pragma once
// Output of orlund-cli: readable text for people and JSON for scripts. The
// readable forms print texts as their Windows-1252 bytes; the JSON forms
// convert every text to UTF-8 so the document stays valid. Record fields
// keep the system's field names (Name, ReceiverFlag, ...).

#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "protocol/messages.h"
#include "tools/cli_connection.h"

namespace orlund {

using Json = nlohmann::ordered_json;

// What the four start packets told: protocol version (type 1), project path
// (type 2), the INI sections (type 3) and the user level (type 7, or the
// answer to the login).
struct SessionStart {
  int16_t protocol_version = 0;
  std::string project_path;
  std::vector<IniSection> sections;
  int32_t user_level = 0;
};

// The receivers (type 61) and text (type 62) of the last message.
struct LastMessage {
  std::vector<std::string> receivers;
  std::string text;
};

std::string FormatSessionStart(const SessionStart& start);
Json SessionStartJson(const SessionStart& start);

std::string FormatReceiverTypes(const std::vector<ReceiverTypeRecord>& types);
Json ReceiverTypesJson(const std::vector<ReceiverTypeRecord>& types);

// One receiver on one line: name, type, flag, word, text, settings.
std::string FormatReceiver(const ReceiverEntry& receiver);
std::string FormatReceivers(const std::vector<ReceiverEntry>& receivers);
Json ReceiverJson(const ReceiverEntry& receiver);
Json ReceiversJson(const std::vector<ReceiverEntry>& receivers);

std::string FormatDayTypeNames(const DayTypeNames& names);
Json DayTypeNamesJson(const DayTypeNames& names);

std::string FormatHolidays(const std::vector<HolidayEntry>& holidays, const DayTypeNames& names);
Json HolidaysJson(const std::vector<HolidayEntry>& holidays, const DayTypeNames& names);

// "YYYY-MM-DD name" per day, the form the calendar file parser reads back;
// the day type number stands in for a name that would not read back as
// the same day type (empty, a number, shared with another day type).
std::string FormatCalendar(const std::vector<CalendarPair>& pairs, const DayTypeNames& names);
Json CalendarJson(const std::vector<CalendarPair>& pairs, const DayTypeNames& names);

std::string FormatLastMessage(const LastMessage& message);
Json LastMessageJson(const LastMessage& message);

// One packet pushed by the server, for watch: receiver updates and removals
// decoded, any other packet (or one that does not decode) as hex.
// `time` is the local time of arrival, "HH:MM:SS".
std::string FormatPushedPacket(const CliPacket& packet, const std::string& time);
Json PushedPacketJson(const CliPacket& packet, const std::string& time);

// The document indented by two spaces, except that a list of plain values,
// and any list or object that fits on one line of 140 characters, stays on
// one line: a profile's word table or a day type with its periods reads at
// a glance. Ends without a line end.
std::string PrettyJson(const Json& json);

// Lowercase hex of the bytes, at most `limit` bytes followed by "..".
std::string HexBytes(const std::string& bytes, size_t limit);

}  // namespace orlund
