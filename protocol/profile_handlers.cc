// Profiles with their schedules (types 8, 120, 121). Changes go to the table
// in memory and are written by the timer's next tick; nobody is told.
#include "protocol/catalogue.h"
#include "protocol/codec.h"
#include "protocol/handlers.h"
#include "protocol/profile_codec.h"
#include "protocol/sending.h"
#include "protocol/table_slots.h"

namespace orlund {

void HandleProfiles(ServerState& state, cClientConnection& connection, std::string_view) {
  const ProfileTable& table = state.data.profiles;
  const cTimeSchedule no_schedule;
  std::string answer = EncodeInt16(table.ProfileCount);
  for (int i = 0; i < table.ProfileCount; ++i) {
    const cTimeSchedule* schedule = table.ProfileSchedules[i].get();
    EncodeProfile(answer, table.Profiles[i], schedule ? *schedule : no_schedule);
  }
  SendPacket(state, ToClient, connection, NETWORK_COMMON_PROFILES, answer);
}

void HandleProfileUpdate(ServerState& state, cClientConnection&, std::string_view payload) {
  PayloadReader reader(payload);
  const std::string name = reader.DecodeString();
  ProfileTable& table = state.data.profiles;
  int slot = FindSlotByName(table.Profiles, table.ProfileCount, name);
  // A new profile starts empty; WordsC element 1, which does not travel, is 0.
  ProfileRecord record = slot >= 0 ? table.Profiles[slot] : ProfileRecord{};
  std::unique_ptr<cTimeSchedule> schedule = DecodeProfile(reader, record);
  // The leading name wins over the one inside the encoded profile.
  record.Name = name;

  if (slot < 0 && table.ProfileCount < kProfileCapacity) slot = table.ProfileCount++;
  if (slot >= 0) {
    table.Profiles[slot] = std::move(record);
    table.ProfileSchedules[slot] = std::move(schedule);
  }
  state.ProfilesChanged = true;
}

void HandleProfileRemove(ServerState& state, cClientConnection&, std::string_view payload) {
  PayloadReader reader(payload);
  const std::string name = reader.DecodeString();
  ProfileTable& table = state.data.profiles;
  const int slot = FindSlotByName(table.Profiles, table.ProfileCount, name);
  if (slot >= 0) RemoveSlot(slot, table.ProfileCount, table.Profiles, table.ProfileSchedules);
  state.ProfilesChanged = true;
}

}  // namespace orlund
