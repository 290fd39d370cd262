// Day type names (types 160, 161), holiday labels (type 140) and the global
// calendar (types 180, 181).
#include <exception>
#include <map>
#include <optional>

#include "base/file_utils.h"
#include "base/text_numbers.h"
#include "protocol/audit.h"
#include "protocol/catalogue.h"
#include "protocol/handlers.h"
#include "protocol/messages.h"
#include "protocol/sending.h"
#include "store/holidays.h"
#include "store/ini_file.h"

namespace orlund {
namespace {

constexpr char kServerIniFile[] = "Orlund_Server.ini";
constexpr char kCalendarSection[] = "Calendar";

std::string SpecialDayTypeKey(int special) { return "DayType" + std::to_string(special); }

// Writes the special day types' names not yet in the INI file, in the
// background. From then on the file tells, unless a name changed again
// meanwhile; a name not written stays in memory, answered from there and
// written again with the next rename.
BackgroundJob WriteRenamedDayTypes(ServerState& state, const std::string& peer) {
  return
      [&state, peer, directory = state.ProjectDirectory, names = state.RenamedDayTypesUnwritten] {
        std::map<int, std::string> written;
        std::string failed;
        for (const auto& [special, name] : names) {
          if (WriteIniValue(directory, kCalendarSection, SpecialDayTypeKey(special), name,
                            kServerIniFile)) {
            written.emplace(special, name);
          } else {
            failed += (failed.empty() ? "" : ", ") + std::to_string(kWeekdayCount + special);
          }
        }
        std::function<void()> show;
        if (!failed.empty()) {
          show = ShowNotWritten(
              state, peer, NETWORK_DAYTYPENAMES_UPDATE,
              std::string("day type names not written to ") + kServerIniFile + ": " + failed);
        }
        return std::function<void()>([&state, written, show] {
          for (const auto& [special, name] : written) {
            const auto now = state.RenamedDayTypesUnwritten.find(special);
            if (now != state.RenamedDayTypesUnwritten.end() && now->second == name) {
              state.RenamedDayTypesUnwritten.erase(now);
            }
          }
          if (show) show();
        });
      };
}

}  // namespace

std::array<std::string, kDayTypeCount> CurrentDayTypeNames(const ServerState& state,
                                                           std::string_view ini) {
  std::array<std::string, kDayTypeCount> names;
  for (int d = 0; d < kWeekdayCount; ++d) names[d] = state.texts.GetText(kTextMonday + d);
  for (int special = 0; special < kDayTypeCount - kWeekdayCount; ++special) {
    const auto unwritten = state.RenamedDayTypesUnwritten.find(special);
    names[kWeekdayCount + special] =
        unwritten != state.RenamedDayTypesUnwritten.end()
            ? unwritten->second
            : IniLookup(ini, kCalendarSection, SpecialDayTypeKey(special),
                        state.texts.GetText(kTextFirstSpecialDayType + special));
  }
  return names;
}

std::array<std::string, kDayTypeCount> CurrentDayTypeNames(const ServerState& state) {
  return CurrentDayTypeNames(
      state, ReadFileBytes(state.ProjectDirectory + kServerIniFile).value_or(std::string()));
}

void HandleDayTypeNames(ServerState& state, cClientConnection& connection, std::string_view) {
  // The names come from the language texts and the INI file, which the
  // alarm server may change too: a kept answer counts while the file is the
  // same and no rename waits to be written to it.
  std::optional<std::string> ini = ReadFileBytes(state.ProjectDirectory + kServerIniFile);
  const bool unwritten = !state.RenamedDayTypesUnwritten.empty();
  const AnswerCache::Entry& entry = state.answers.Find(NETWORK_DAYTYPENAMES);
  if (!unwritten && entry.answer && entry.source == ini) {
    return SendKeptAnswer(state, connection, entry.answer);
  }
  const DayTypeNamesAnswer answer{CurrentDayTypeNames(state, ini.value_or(std::string()))};
  SharedPacket kept = MakeSharedPacket(EncodePacket(NETWORK_DAYTYPENAMES, Encode(answer)));
  if (!unwritten) state.answers.Keep(NETWORK_DAYTYPENAMES, {kept, std::move(ini), {}});
  SendKeptAnswer(state, connection, kept);
}

void HandleDayTypeNamesUpdate(ServerState& state, cClientConnection& connection,
                              std::string_view payload) {
  const DayTypeNameUpdateRequest request = Decode<DayTypeNameUpdateRequest>(payload);
  const int day_type = request.day_type;
  if (day_type < 0 || day_type >= kDayTypeCount) return;

  state.DayTypeNames[day_type] = request.name;
  Audit(state, connection, AuditKind::kDayTypeRenamed,
        std::to_string(day_type) + " '" + request.name + "'");
  // Weekday names live in memory only; the others in the INI file, written
  // from the background (the write is synced to disk).
  if (day_type < kWeekdayCount) return;
  state.RenamedDayTypesUnwritten[day_type - kWeekdayCount] = request.name;
  WriteNewest(state, state.RenamedDayTypesWrite,
              [&state, peer = connection.PeerName()] { return WriteRenamedDayTypes(state, peer); });
}

void HandleHolidayLabels(ServerState& state, cClientConnection& connection, std::string_view) {
  const std::string language =
      ReadIniValue(state.ProjectDirectory, "General", "Language", "", kServerIniFile);
  const std::optional<std::string> file =
      ReadFileBytes(HolidayFilePath(state.ApplicationDirectory, language));
  // Without a holiday file there is no answer at all.
  if (!file) return;
  SendPacket(state, ToClient, connection, NETWORK_HOLIDAYLABELS,
             Encode(HolidayLabelsAnswer{ParseHolidayFile(*file)}));
}

namespace {

// The calendar in memory as request 180 answers it: its non-zero days in order.
SharedPacket CalendarAnswer(const cCalendar& calendar) {
  CalendarPairs answer;
  for (int32_t day = 0; day < kCalendarDayCount; ++day) {
    const int16_t entry = calendar.GetDayType(day);
    if (entry != 0) answer.pairs.push_back({static_cast<int16_t>(day), entry});
  }
  return MakeSharedPacket(EncodePacket(NETWORK_PROFILE_CALENDAR, Encode(answer)));
}

}  // namespace

void HandleProfileCalendar(ServerState& state, cClientConnection& connection, std::string_view) {
  // While the server writes the file, it may still hold older days: memory
  // has the newest.
  if (state.GlobalCalendarWrite.writing) {
    return SendKeptAnswer(state, connection, CalendarAnswer(state.GlobalCalendar));
  }
  // The file is read for every request; a kept answer counts while it holds
  // the same bytes and no request changed the calendar.
  const std::string path = GlobalCalendarPath(state.ProjectDirectory);
  std::optional<std::string> file = ReadFileBytes(path);
  const AnswerCache::Entry& entry = state.answers.Find(NETWORK_PROFILE_CALENDAR);
  if (entry.answer && entry.source == file) return SendKeptAnswer(state, connection, entry.answer);
  // A missing or unreadable file leaves the calendar as it was in memory.
  try {
    state.GlobalCalendar.ReadFromDisk(path);
  } catch (const std::exception&) {
  }
  SharedPacket kept = CalendarAnswer(state.GlobalCalendar);
  state.answers.Keep(NETWORK_PROFILE_CALENDAR, {kept, std::move(file), {}});
  SendKeptAnswer(state, connection, kept);
}

void HandleGlobalCalendarUpdate(ServerState& state, cClientConnection& connection,
                                std::string_view payload) {
  // A negative count, like a payload cut short, leaves the calendar as it is.
  const CalendarPairs request = Decode<CalendarPairs>(payload);

  for (int32_t day = 0; day < kCalendarDayCount; ++day) state.GlobalCalendar.SetDayType(day, 0);
  int days = 0;
  for (const auto& [day, entry] : request.pairs) {
    // A day outside the calendar is skipped; the other pairs still apply.
    if (day >= 0 && day < kCalendarDayCount) {
      state.GlobalCalendar.SetDayType(day, entry);
      ++days;
    }
  }
  state.answers.Forget(NETWORK_PROFILE_CALENDAR);
  Audit(state, connection, AuditKind::kCalendarUpdated,
        std::to_string(days) + (days == 1 ? " day" : " days"));
  // Written from the background: the write is synced to disk.
  WriteNewest(state, state.GlobalCalendarWrite, [&state, peer = connection.PeerName()] {
    return BackgroundJob([&state, peer, path = GlobalCalendarPath(state.ProjectDirectory),
                          entries = state.GlobalCalendar.EncodeEntries()] {
      try {
        cCalendar::SaveEntries(path, entries);
        return std::function<void()>();
      } catch (const std::exception& e) {
        // The window shows why the file is unchanged.
        return ShowNotWritten(state, peer, NETWORK_GLOBAL_CALENDAR_UPDATE,
                              std::string("calendar file not written: ") + e.what());
      }
    });
  });
}

}  // namespace orlund
