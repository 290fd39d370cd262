// Profiles with their schedules (types 8, 120, 121). Changes go to the table
// in memory and are written by the timer's next tick; nobody is told.
#include "protocol/audit.h"
#include "protocol/catalogue.h"
#include "protocol/handlers.h"
#include "protocol/messages.h"
#include "protocol/sending.h"
#include "protocol/table_slots.h"

namespace orlund {

namespace {

bool SameNumbers(const std::vector<int16_t>& numbers, const ProfileTable& table) {
  if (numbers.size() != static_cast<size_t>(table.ProfileCount)) return false;
  for (size_t i = 0; i < numbers.size(); ++i) {
    if (numbers[i] != table.Profiles[i].ProfileNumber) return false;
  }
  return true;
}

}  // namespace

void HandleProfiles(ServerState& state, cClientConnection& connection, std::string_view) {
  const ProfileTable& table = state.data.profiles;
  const AnswerCache::Entry& entry = state.answers.Find(NETWORK_COMMON_PROFILES);
  if (entry.answer && SameNumbers(entry.numbers, table)) {
    return SendKeptAnswer(state, connection, entry.answer);
  }
  ProfilesAnswer answer;
  std::vector<int16_t> numbers;
  for (int i = 0; i < table.ProfileCount; ++i) {
    const cTimeSchedule* schedule = table.ProfileSchedules[i].get();
    // A slot without a schedule travels with an empty one.
    answer.profiles.push_back({table.Profiles[i], schedule ? schedule->ComposePeriodArray()
                                                           : cTimeSchedule().ComposePeriodArray()});
    numbers.push_back(table.Profiles[i].ProfileNumber);
  }
  SharedPacket kept = MakeSharedPacket(EncodePacket(NETWORK_COMMON_PROFILES, Encode(answer)));
  state.answers.Keep(NETWORK_COMMON_PROFILES, {kept, std::nullopt, std::move(numbers)});
  SendKeptAnswer(state, connection, kept);
}

void HandleProfileUpdate(ServerState& state, cClientConnection& connection,
                         std::string_view payload) {
  ProfileUpdateRequest request = Decode<ProfileUpdateRequest>(payload);
  std::unique_ptr<cTimeSchedule> schedule = ScheduleFromPeriodArray(request.profile.period_array);

  ProfileTable& table = state.data.profiles;
  int slot = FindSlotByName(table.Profiles, table.ProfileCount, request.name);
  ProfileRecord& record = request.profile.record;
  // WordsC element 1 does not travel: a changed profile keeps its own, a new
  // one starts with 0.
  record.WordsC[1] = slot >= 0 ? table.Profiles[slot].WordsC[1] : 0;
  // The leading name wins over the one inside the encoded profile.
  record.Name = std::move(request.name);

  const bool added = slot < 0;
  if (added && table.ProfileCount < kProfileCapacity) slot = table.ProfileCount++;
  if (slot >= 0) {
    table.Profiles[slot] = std::move(record);
    table.ProfileSchedules[slot] = std::move(schedule);
    Audit(state, connection, added ? AuditKind::kProfileAdded : AuditKind::kProfileChanged,
          table.Profiles[slot].Name);
  }
  state.ProfilesChanged = true;
  state.answers.Forget(NETWORK_COMMON_PROFILES);
}

void HandleProfileRemove(ServerState& state, cClientConnection& connection,
                         std::string_view payload) {
  const ProfileRemoveRequest request = Decode<ProfileRemoveRequest>(payload);
  ProfileTable& table = state.data.profiles;
  const int slot = FindSlotByName(table.Profiles, table.ProfileCount, request.name);
  if (slot >= 0) {
    Audit(state, connection, AuditKind::kProfileRemoved, table.Profiles[slot].Name);
    RemoveSlot(slot, table.ProfileCount, table.Profiles, table.ProfileSchedules);
  }
  state.ProfilesChanged = true;
  state.answers.Forget(NETWORK_COMMON_PROFILES);
}

}  // namespace orlund
