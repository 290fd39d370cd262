#pragma once
// The payloads the client exchanges with the server, as plain values: the
// start packets, the answers it decodes and the requests it builds. Pure
// functions of bytes; decoders raise DecodeError on a payload that ends
// early or holds a negative count.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "schedule/time_schedule.h"

namespace orlund {

struct IniSection {
  std::string name;
  std::vector<std::string> lines;
};

// What the four start packets told: protocol version (type 1), project path
// (type 2), the INI sections (type 3) and the user level (type 7).
struct SessionStart {
  int16_t protocol_version = 0;
  std::string project_path;
  std::vector<IniSection> sections;
  int32_t user_level = 0;
};

struct ReceiverTypeEntry {
  int16_t Number = 0;
  std::string Name;
  std::string SpareTextA;
  std::string Algorithm;
  int16_t MessageLength = 0;
  std::string IniFile;
  std::string RcvFile;
  std::string ReceiverSetupTemplate;
  std::string ReceiverTypeSetupTemplate;
  std::string SpareTextB;
};

// One receiver as types 5 and 100 carry it; the settings travel as text.
struct ReceiverEntry {
  std::string Name;
  int16_t ReceiverFlag = 0;
  int16_t ReceiverWord = 0;
  int16_t ReceiverTypeNumber = 0;
  std::string ReceiverText;
  std::array<std::string, 4> Settings;

  friend bool operator==(const ReceiverEntry&, const ReceiverEntry&) = default;
};

struct HolidayEntry {
  int32_t day_index = 0;
  int16_t day_type = 0;
  int16_t view_in_calendar = 0;
  std::string label;
};

// One day of the global calendar: its day index and its entry (day type + 1).
struct CalendarPair {
  int16_t day_index = 0;
  int16_t entry = 0;

  friend bool operator==(const CalendarPair&, const CalendarPair&) = default;
};

// Names of day types 0..22 in day type order.
using DayTypeNames = std::array<std::string, kDayTypeCount>;

struct LastMessage {
  std::vector<std::string> receivers;
  std::string text;
};

// Type 3: count, then name and lines per section; the lines text holds each
// line followed by one byte 0.
std::vector<IniSection> DecodeIniSections(std::string_view payload);

std::vector<ReceiverTypeEntry> DecodeReceiverTypes(std::string_view payload);

// Type 5: count and entries. A single entry (type 100) has no count.
std::vector<ReceiverEntry> DecodeReceivers(std::string_view payload);
ReceiverEntry DecodeReceiverEntry(std::string_view payload);
std::string EncodeReceiverEntry(const ReceiverEntry& entry);

std::vector<HolidayEntry> DecodeHolidays(std::string_view payload);

// Type 160: exactly 23 strings, no count.
DayTypeNames DecodeDayTypeNames(std::string_view payload);

// Type 180 and the type 181 request: count and (day index, entry) pairs.
std::vector<CalendarPair> DecodeCalendar(std::string_view payload);
std::string EncodeCalendarUpdate(const std::vector<CalendarPair>& pairs);

// Type 60: each receiver name followed by byte 254, then the text.
std::string EncodeTextMessage(const std::vector<std::string>& receivers, std::string_view text);

// The stored receiver list of type 61: names separated by byte 255; an
// empty list for an empty text.
std::vector<std::string> SplitLastReceivers(std::string_view text);

}  // namespace orlund
