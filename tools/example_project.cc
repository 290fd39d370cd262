#include "tools/example_project.h"

#include <filesystem>
#include <fstream>
#include <memory>
#include <nlohmann/json.hpp>
#include <stdexcept>

#include "alarmlink/alarm_link.h"
#include "base/file_utils.h"
#include "base/log_sink.h"
#include "base/text_utils.h"
#include "schedule/calendar.h"
#include "schedule/ole_date.h"
#include "store/data_store.h"
#include "store/users.h"

namespace orlund {
namespace {

namespace fs = std::filesystem;
using nlohmann::json;

const char* const kWeekdayKeys[7] = {"Mon", "Tue", "Wed", "Thu", "Fri", "Sat", "Sun"};

int DayTypeOfKey(const std::string& key) {
  for (int d = 0; d < 7; ++d) {
    if (key == kWeekdayKeys[d]) return d;
  }
  throw std::runtime_error("unknown day \"" + key + "\"");
}

// "HH:MM-HH:MM" into the day type's period list.
void AddPeriods(cTimeSchedule& schedule, int day_type, const json& periods) {
  for (const auto& text : periods) {
    std::string range = text.get<std::string>();
    size_t dash = range.find('-');
    if (dash == std::string::npos) throw std::runtime_error("period \"" + range + "\" lacks '-'");
    schedule.AppendPeriod(day_type, TimeTextToMinutes(range.substr(0, dash)),
                          TimeTextToMinutes(range.substr(dash + 1)));
  }
}

std::unique_ptr<cTimeSchedule> ScheduleFromJson(const json& source) {
  auto schedule = std::make_unique<cTimeSchedule>();
  for (const auto& [key, value] : source.items()) {
    if (key == "grouped") {
      for (const auto& day : value) schedule->SetGrouped(DayTypeOfKey(day.get<std::string>()), -1);
    } else if (key == "use_calendar") {
      schedule->m_UseCalendar = value.get<bool>() ? -1 : 0;
    } else if (key == "special") {
      for (const auto& [number, periods] : value.items()) {
        int day_type = std::stoi(number);
        schedule->SetActive(day_type, -1);
        AddPeriods(*schedule, day_type, periods);
      }
    } else {
      AddPeriods(*schedule, DayTypeOfKey(key), value);
    }
  }
  return schedule;
}

int32_t DayIndexOf(const std::string& date) {
  if (date.size() != 10) throw std::runtime_error("date \"" + date + "\" is not YYYY-MM-DD");
  return SerialDayFromParts(std::stoi(date.substr(0, 4)), std::stoi(date.substr(5, 2)),
                            std::stoi(date.substr(8, 2))) -
         kCalendarFirstSerialDay;
}

void Generate(const json& source, const std::string& target) {
  auto store = std::make_unique<DataStore>();
  RecordingLog log;
  FixedTexts texts;
  StoreContext context{target, log, texts};

  ReceiverTable& receivers = store->receivers;
  for (const auto& r : source.at("receivers")) {
    ReceiverRecord& record = receivers.Receivers[receivers.ReceiverCount++];
    record.Name = r.at("name").get<std::string>();
    record.ReceiverTypeNumber = r.at("type").get<int16_t>();
    record.ReceiverFlag = r.value("flag", int16_t{0});
    record.ReceiverWord = r.value("word", int16_t{0});
    record.ReceiverText = r.value("text", std::string());
    const json& settings = r.at("settings");
    for (size_t i = 0; i < 4 && i < settings.size(); ++i) {
      record.Settings[i] = Variant::FromText(settings[i].get<std::string>());
    }
  }
  fs::create_directories(target + "Receivers");
  if (!SaveAllReceivers(receivers, context)) throw std::runtime_error("cannot write the receivers");

  ProfileTable& profiles = store->profiles;
  for (const auto& p : source.at("profiles")) {
    int slot = profiles.ProfileCount++;
    profiles.Profiles[slot].ProfileNumber = p.at("number").get<int16_t>();
    profiles.Profiles[slot].Name = p.at("name").get<std::string>();
    profiles.ProfileSchedules[slot] = ScheduleFromJson(p.at("schedule"));
  }
  fs::create_directories(target + "Profiles");
  if (!SaveAllProfiles(profiles, context)) throw std::runtime_error("cannot write the profiles");

  std::vector<UserRecord> users;
  for (const auto& u : source.at("users")) {
    users.push_back({u.at("name").get<std::string>(), u.at("password").get<std::string>(),
                     u.at("level").get<int16_t>()});
  }
  if (!WriteFileAtomically(target + kUsersFileName, EncodeUsersFile(users))) {
    throw std::runtime_error("cannot write the user file");
  }

  auto calendar = std::make_unique<cCalendar>();
  for (const auto& [date, entry] : source.at("calendar").items()) {
    calendar->SetDayType(DayIndexOf(date), entry.get<int16_t>());
  }
  if (!calendar->SaveToDisk(GlobalCalendarPath(target))) {
    throw std::runtime_error("cannot write the global calendar");
  }
}

}  // namespace

bool WriteExampleProject(const std::string& examples_dir, const std::string& target_dir,
                         std::string& error) {
  try {
    std::string target = target_dir;
    if (target.empty() || target.back() != '/') target += '/';
    fs::create_directories(target);
    fs::copy(fs::path(examples_dir) / "project", target,
             fs::copy_options::recursive | fs::copy_options::overwrite_existing);
    std::ifstream in(fs::path(examples_dir) / "project.json");
    if (!in) throw std::runtime_error("cannot read " + examples_dir + "/project.json");
    Generate(json::parse(in), target);
    return true;
  } catch (const std::exception& e) {
    error = e.what();
    return false;
  }
}

}  // namespace orlund
