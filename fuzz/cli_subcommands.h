#pragma once
// The orlund-cli subcommands the client fuzz target runs, in the order its
// first input byte picks them; the seed generator writes one seed per entry.

#include <string>
#include <utility>
#include <vector>

namespace orlund::fuzz {

struct CliSubcommand {
  std::string label;  // unique, names the seed
  std::string name;
  std::vector<std::string> arguments;
  std::vector<std::pair<std::string, std::string>> values;
};

// `profile_file` and `calendar_file` are the inputs of import-profile and
// set-calendar.
inline std::vector<CliSubcommand> CliSubcommands(const std::string& profile_file,
                                                 const std::string& calendar_file) {
  return {
      {"info", "info", {}, {}},
      {"receiver-types", "receiver-types", {}, {}},
      {"receivers", "receivers", {}, {}},
      {"profiles", "profiles", {}, {}},
      {"day-types", "day-types", {}, {}},
      {"holidays", "holidays", {}, {}},
      {"calendar", "calendar", {}, {}},
      {"set-receiver-change",
       "set-receiver",
       {"Boiler room pager"},
       {{"text", "Day shift"}, {"setting1", "2400"}}},
      {"set-receiver-add", "set-receiver", {"New pager"}, {{"type", "2"}}},
      {"remove-receiver", "remove-receiver", {"Duty manager"}, {}},
      {"export-profile", "export-profile", {"Office hours"}, {}},
      {"import-profile", "import-profile", {profile_file}, {}},
      {"remove-profile", "remove-profile", {"Office hours"}, {}},
      {"render-schedule", "render-schedule", {"Night watch"}, {}},
      {"render-calendar", "render-calendar", {}, {{"profile", "Night watch"}}},
      {"rename-day-type", "rename-day-type", {"7", "Public holiday"}, {}},
      {"set-calendar", "set-calendar", {calendar_file}, {}},
      {"send-message",
       "send-message",
       {"Fire drill"},
       {{"to", "Fire brigade"}, {"to", "Maintenance"}}},
      {"last-message", "last-message", {}, {}},
      {"command", "command", {"RR"}, {}},
      {"watch", "watch", {}, {}},
  };
}

// The input files of import-profile and set-calendar.
inline constexpr char kCliCalendarFile[] = "2026-12-24 7\n2026-12-25 Public holiday\n";

}  // namespace orlund::fuzz
