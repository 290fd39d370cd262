// Day type names (types 160, 161), holiday labels (type 140) and the global
// calendar (types 180, 181).
#include <exception>
#include <optional>
#include <utility>
#include <vector>

#include "base/file_utils.h"
#include "base/text_numbers.h"
#include "protocol/catalogue.h"
#include "protocol/codec.h"
#include "protocol/handlers.h"
#include "protocol/sending.h"
#include "store/holidays.h"
#include "store/ini_file.h"

namespace orlund {
namespace {

constexpr char kServerIniFile[] = "Orlund_Server.ini";
constexpr char kCalendarSection[] = "Calendar";

std::string SpecialDayTypeKey(int special) { return "DayType" + std::to_string(special); }

}  // namespace

void HandleDayTypeNames(ServerState& state, cClientConnection& connection, std::string_view) {
  std::string answer;
  for (int d = 0; d < kWeekdayCount; ++d) {
    EncodeString(answer, state.texts.GetText(kTextMonday + d));
  }
  for (int special = 0; special < kDayTypeCount - kWeekdayCount; ++special) {
    EncodeString(
        answer,
        ReadIniValue(state.ProjectDirectory, kCalendarSection, SpecialDayTypeKey(special),
                     state.texts.GetText(kTextFirstSpecialDayType + special), kServerIniFile));
  }
  SendPacket(state, ToClient, connection, NETWORK_DAYTYPENAMES, answer);
}

void HandleDayTypeNamesUpdate(ServerState& state, cClientConnection&, std::string_view payload) {
  PayloadReader reader(payload);
  const int day_type = reader.DecodeInt16();
  const std::string name = reader.DecodeString();
  if (day_type < 0 || day_type >= kDayTypeCount) return;

  state.DayTypeNames[day_type] = name;
  // Weekday names live in memory only; special day type names in the INI file.
  if (day_type >= kWeekdayCount) {
    WriteIniValue(state.ProjectDirectory, kCalendarSection,
                  SpecialDayTypeKey(day_type - kWeekdayCount), name, kServerIniFile);
  }
}

void HandleHolidayLabels(ServerState& state, cClientConnection& connection, std::string_view) {
  const std::string language =
      ReadIniValue(state.ProjectDirectory, "General", "Language", "", kServerIniFile);
  const std::optional<std::string> file =
      ReadFileBytes(HolidayFilePath(state.ApplicationDirectory, language));
  // Without a holiday file there is no answer at all.
  if (!file) return;
  const std::vector<HolidayEntry> entries = ParseHolidayFile(*file);
  std::string payload;
  EncodeInt16(payload, static_cast<int32_t>(entries.size()));
  for (const HolidayEntry& entry : entries) {
    EncodeInt32(payload, entry.day_index);
    EncodeInt16(payload, entry.day_type);
    EncodeInt16(payload, entry.view);
    EncodeString(payload, entry.label);
  }
  SendPacket(state, ToClient, connection, NETWORK_HOLIDAYLABELS, payload);
}

void HandleProfileCalendar(ServerState& state, cClientConnection& connection, std::string_view) {
  // A missing or unreadable file leaves the calendar as it was in memory.
  try {
    state.GlobalCalendar.ReadFromDisk(GlobalCalendarPath(state.ProjectDirectory));
  } catch (const std::exception&) {
  }
  std::string pairs;
  int16_t count = 0;
  for (int32_t day = 0; day < kCalendarDayCount; ++day) {
    const int16_t entry = state.GlobalCalendar.GetDayType(day);
    if (entry == 0) continue;
    EncodeInt16(pairs, day);
    EncodeInt16(pairs, entry);
    ++count;
  }
  SendPacket(state, ToClient, connection, NETWORK_PROFILE_CALENDAR, EncodeInt16(count) + pairs);
}

void HandleGlobalCalendarUpdate(ServerState& state, cClientConnection& connection,
                                std::string_view payload) {
  PayloadReader reader(payload);
  const int16_t count = reader.DecodeInt16();
  // A negative count is a malformed request: the calendar stays as it is.
  if (count < 0) return;
  std::vector<std::pair<int16_t, int16_t>> pairs;
  pairs.reserve(count);
  for (int16_t i = 0; i < count; ++i) {
    const int16_t day = reader.DecodeInt16();
    const int16_t entry = reader.DecodeInt16();
    pairs.emplace_back(day, entry);
  }

  for (int32_t day = 0; day < kCalendarDayCount; ++day) state.GlobalCalendar.SetDayType(day, 0);
  for (const auto& [day, entry] : pairs) {
    // A day outside the calendar is skipped; the other pairs still apply.
    if (day >= 0 && day < kCalendarDayCount) state.GlobalCalendar.SetDayType(day, entry);
  }
  try {
    state.GlobalCalendar.SaveToDisk(GlobalCalendarPath(state.ProjectDirectory));
  } catch (const std::exception& e) {
    // The client is told nothing; the window shows why the file is unchanged.
    state.List_Packets.Add(connection.PeerName() + " " +
                           MessageName(NETWORK_GLOBAL_CALENDAR_UPDATE) +
                           ": calendar file not written: " + e.what());
  }
}

}  // namespace orlund
