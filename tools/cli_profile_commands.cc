#include <memory>

#include "protocol/catalogue.h"
#include "protocol/codec.h"
#include "protocol/profile_codec.h"
#include "store/file_utils.h"
#include "store/text_case.h"
#include "tools/cli_commands.h"
#include "tools/cli_error.h"
#include "tools/cli_profile_json.h"
#include "tools/cli_text.h"

namespace orlund {
namespace {

struct FetchedProfile {
  ProfileRecord record;
  std::unique_ptr<cTimeSchedule> schedule;
};

std::vector<FetchedProfile> FetchProfiles(CliSession& session) {
  return session.Decoded(NETWORK_COMMON_PROFILES,
                         session.Request(NETWORK_COMMON_PROFILES, "", NETWORK_COMMON_PROFILES),
                         [](std::string_view payload) {
                           PayloadReader in(payload);
                           const int16_t count = in.DecodeInt16();
                           if (count < 0)
                             throw DecodeError("negative profile count " + std::to_string(count));
                           std::vector<FetchedProfile> profiles(count);
                           for (auto& p : profiles) p.schedule = DecodeProfile(in, p.record);
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

[[noreturn]] void NoSuchProfile(const CliSession& session) {
  throw CliError(kExitFailed, "no profile named '" + session.options().arguments.at(0) + "'");
}

}  // namespace

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
  std::string payload = EncodeString(record.Name);
  EncodeProfile(payload, record, schedule);
  session.connection().Send(NETWORK_PROFILE_UPDATE, payload);
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
  session.SendConfirmed(NETWORK_PROFILE_REMOVE, EncodeString(found->record.Name));
  session.Print("Removed profile " + found->record.Name + "\n",
                {{"result", "removed"}, {"name", Cp1252ToUtf8(found->record.Name)}});
}

}  // namespace orlund
