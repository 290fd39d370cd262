#include <cstdio>
#include <ctime>
#include <memory>
#include <tuple>

#include "base/file_utils.h"
#include "base/text_case.h"
#include "protocol/catalogue.h"
#include "protocol/codec.h"
#include "protocol/messages.h"
#include "schedule/calendar.h"
#include "schedule/ole_date.h"
#include "tools/cli_commands.h"
#include "tools/cli_error.h"
#include "tools/cli_profile_json.h"
#include "tools/cli_text.h"
#include "views/picture_frame.h"
#include "views/render.h"

namespace orlund {
namespace {

struct FetchedProfile {
  ProfileRecord record;
  std::unique_ptr<cTimeSchedule> schedule;
};

std::vector<FetchedProfile> FetchProfiles(CliSession& session) {
  const std::string answer =
      session.Request(NETWORK_COMMON_PROFILES, Encode(NoFields{}), NETWORK_COMMON_PROFILES);
  return session.Decoded(NETWORK_COMMON_PROFILES, answer, [](std::string_view payload) {
    ProfilesAnswer answer = Decode<ProfilesAnswer>(payload);
    std::vector<FetchedProfile> profiles;
    for (ProfileEntry& p : answer.profiles)
      profiles.push_back({std::move(p.record), ScheduleFromPeriodArray(p.period_array)});
    return profiles;
  });
}

// The first profile whose name equals `name` without regard to letter case.
const FetchedProfile* FindProfile(const std::vector<FetchedProfile>& profiles,
                                  const std::string& name) {
  for (const auto& p : profiles)
    if (EqualsIgnoreCase1252(p.record.Name, name)) return &p;
  return nullptr;
}

std::string ProfileName(const CliSession& session) {
  return OperatorTextTo1252(session.options().arguments.at(0), "the profile name");
}

[[noreturn]] void NoSuchProfile(const std::string& name) {
  throw CliError(kExitFailed, "no profile named '" + name + "'");
}

[[noreturn]] void NoSuchProfile(const CliSession& session) {
  NoSuchProfile(session.options().arguments.at(0));
}

// Writes a picture to the file of -o, or to stdout without one.
void WritePicture(CliSession& session, const std::string& svg, const std::string& what) {
  const auto file = session.options().Value("output");
  if (!file) {
    session.out() << svg;
    return;
  }
  if (!WriteFileAtomically(*file, svg))
    throw CliError(kExitBadInput, "cannot write '" + *file + "'");
  session.Print("Wrote " + what + " to " + *file + "\n",
                {{"result", "written"}, {"picture", what}, {"file", *file}});
}

// "YYYY-MM" within the calendar's years 2000 to 2039.
std::pair<int32_t, int32_t> ParseMonth(const std::string& text) {
  int year = 0, month = 0;
  char tail = 0;
  if (text.size() != 7 || std::sscanf(text.c_str(), "%4d-%2d%c", &year, &month, &tail) != 2 ||
      year < 2000 || year > 2039 || month < 1 || month > 12) {
    throw CliError(kExitUsage,
                   "--month takes YYYY-MM between 2000-01 and 2039-12, not '" + text + "'");
  }
  return {year, month};
}

// The holiday labels, or none when the server has no holiday file. Request
// 140 is followed at once by request 160: the server answers in order, so a
// 160 answer with no 140 answer before it means there is no holiday file,
// and nobody waits for the time limit.
std::vector<cHolidayLabel> FetchHolidayLabelsIfAny(CliSession& session) {
  session.connection().Send(NETWORK_HOLIDAYLABELS, Encode(NoFields{}));
  session.connection().Send(NETWORK_DAYTYPENAMES, Encode(NoFields{}));
  std::vector<cHolidayLabel> labels;
  for (;;) {
    const CliPacket packet = session.connection().Read("the holiday labels");
    if (packet.type == NETWORK_DAYTYPENAMES) return labels;
    if (packet.type != NETWORK_HOLIDAYLABELS) continue;
    const auto answer =
        session.Decoded(NETWORK_HOLIDAYLABELS, packet.payload, Decode<HolidayLabelsAnswer>);
    for (const auto& h : answer.holidays) {
      if (h.day_index < 0 || h.day_index >= kCalendarDayCount) continue;
      labels.push_back({static_cast<int16_t>(h.day_index), h.day_type, h.view, h.label});
    }
  }
}

}  // namespace

void CommandRenderSchedule(CliSession& session) {
  const auto profiles = FetchProfiles(session);
  const FetchedProfile* found = FindProfile(profiles, ProfileName(session));
  if (found == nullptr) NoSuchProfile(session);
  const auto names = session.FetchDayTypeNames();
  WritePicture(session,
               FramePicture(RenderScheduleSvg(*found->schedule, names),
                            ScheduleFrame(found->record.Name, *found->schedule, names)),
               "the schedule of " + found->record.Name);
}

void CommandRenderCalendar(CliSession& session) {
  auto month = session.options().Value("month");
  if (!month) {
    const std::time_t now = std::time(nullptr);
    std::tm parts{};
    localtime_r(&now, &parts);
    char text[16];
    std::strftime(text, sizeof text, "%Y-%m", &parts);
    month = text;
  }
  CalendarPicture picture;
  std::tie(picture.year, picture.month) = ParseMonth(*month);
  std::vector<FetchedProfile> profiles;
  const FetchedProfile* profile = nullptr;
  if (const auto name = session.options().Value("profile")) {
    profiles = FetchProfiles(session);
    profile = FindProfile(profiles, OperatorTextTo1252(*name, "the profile name"));
    if (profile == nullptr) NoSuchProfile(*name);
    picture.schedule = profile->schedule.get();
  }
  picture.holiday_labels = FetchHolidayLabelsIfAny(session);
  picture.day_type_names = session.FetchDayTypeNames();
  const auto pairs = session.Fetch<CalendarPairs>(NETWORK_PROFILE_CALENDAR).pairs;
  auto calendar = std::make_unique<cCalendar>();
  for (const auto& pair : pairs) {
    if (pair.day_index >= 0 && pair.day_index < kCalendarDayCount)
      calendar->SetDayType(pair.day_index, pair.entry);
  }
  const std::string view = RenderCalendarSvg(*calendar, picture);
  WritePicture(session,
               FramePicture(view, CalendarFrame(*calendar, picture,
                                                profile ? profile->record.Name : std::string())),
               "the calendar of " + *month);
}

void CommandProfiles(CliSession& session) {
  const auto profiles = FetchProfiles(session);
  const auto names = session.FetchDayTypeNames();
  std::string text;
  Json json = Json::array();
  for (const auto& p : profiles) {
    text += (text.empty() ? "" : "\n") + FormatProfile(p.record, *p.schedule, names);
    json.push_back(ProfileToJson(p.record, *p.schedule, names));
  }
  session.Print(profiles.empty() ? "No profiles.\n" : text, json);
}

void CommandExportProfile(CliSession& session) {
  const auto profiles = FetchProfiles(session);
  const FetchedProfile* found = FindProfile(profiles, ProfileName(session));
  if (found == nullptr) NoSuchProfile(session);
  const std::string document =
      PrettyJson(ProfileToJson(found->record, *found->schedule, session.FetchDayTypeNames())) +
      "\n";
  const auto file = session.options().Value("output");
  if (!file) {
    session.out() << document;
    return;
  }
  if (!WriteFileAtomically(*file, document))
    throw CliError(kExitBadInput, "cannot write '" + *file + "'");
  session.Print(
      "Exported profile " + found->record.Name + " to " + *file + "\n",
      {{"result", "exported"}, {"name", Cp1252ToUtf8(found->record.Name)}, {"file", *file}});
}

void CommandImportProfile(CliSession& session) {
  const std::string& path = session.options().arguments.at(0);
  Json json;
  try {
    json = Json::parse(ReadInputFile(path));
  } catch (const Json::exception& e) {
    throw CliError(kExitBadInput, path + ": not a JSON document: " + e.what());
  }
  ProfileRecord record;
  cTimeSchedule schedule;
  try {
    ProfileFromJson(json, record, schedule);
  } catch (const CliError& e) {
    throw CliError(e.code(), path + ": " + e.what());
  }
  if (schedule.ComposePeriodArray().size() > kMaxEncodedStringLength)
    throw CliError(kExitBadInput, path + ": the schedule holds too many periods to travel");
  const bool exists = FindProfile(FetchProfiles(session), record.Name) != nullptr;
  // The leading name is the one the server stores.
  session.connection().Send(
      NETWORK_PROFILE_UPDATE,
      Encode(ProfileUpdateRequest{record.Name, {record, schedule.ComposePeriodArray()}}));
  if (FindProfile(FetchProfiles(session), record.Name) == nullptr)
    throw CliError(kExitFailed, "the server did not store profile '" + Cp1252ToUtf8(record.Name) +
                                    "' (its profile table is full)");
  session.Print((exists ? "Changed profile " : "Added profile ") + record.Name + "\n",
                {{"result", exists ? "changed" : "added"}, {"name", Cp1252ToUtf8(record.Name)}});
}

void CommandRemoveProfile(CliSession& session) {
  const auto profiles = FetchProfiles(session);
  const FetchedProfile* found = FindProfile(profiles, ProfileName(session));
  if (found == nullptr) NoSuchProfile(session);
  session.SendConfirmed(NETWORK_PROFILE_REMOVE, Encode(ProfileRemoveRequest{found->record.Name}));
  session.Print("Removed profile " + found->record.Name + "\n",
                {{"result", "removed"}, {"name", Cp1252ToUtf8(found->record.Name)}});
}

}  // namespace orlund
