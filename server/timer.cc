#include "server/timer.h"

#include <chrono>
#include <exception>
#include <string>

#include "base/numeric.h"
#include "base/text_numbers.h"
#include "protocol/alarm_commands.h"
#include "protocol/catalogue.h"
#include "protocol/sending.h"
#include "store/directory_stamp.h"
#include "store/profiles.h"
#include "store/receivers.h"

namespace orlund {

namespace {

// One sweep step for a member that is still connected: drop it when silent
// for more than S2 seconds, send a keep-alive when silent for S1 or more.
void KeepAlive(ServerState& state, cClientConnection& member, const KeepAliveLimits& limits) {
  auto silence = state.clock.steady_now() - member.m_NetworkLastPacketFromClientTimeStamp;
  if (silence > std::chrono::seconds(limits.drop_after_s)) {
    state.log.ServerLog(state.texts.GetText(kTextClient) + " " + member.PeerAddress() + " " +
                        state.texts.GetText(kTextSilentTooLong));
    member.objWinSock->Close();
  }
  if (silence >= std::chrono::seconds(limits.send_after_s)) {
    SendPacket(state, ToClient, member, NETWORK_COMMON_KEEPALIVE, "");
  }
}

void SweepConnections(ServerState& state) {
  const int32_t interval = state.settings.ActiveXKeepAliveInterval;
  const KeepAliveLimits limits = KeepAliveLimitsFor(interval);
  auto& members = state.ClientConnections;
  size_t i = 0;
  while (i < members.size()) {
    cClientConnection& member = *members[i];
    if (!member.IsConnected()) {
      member.objWinSock->Close();
      members.erase(members.begin() + static_cast<std::ptrdiff_t>(i));
      continue;
    }
    if (interval > 0) KeepAlive(state, member, limits);
    ++i;
  }
}

// A load or save that throws must not stop the server; the failure is shown
// in the packet list and counts as a failed save.
template <typename Operation>
bool Guarded(ServerState& state, const char* what, Operation operation) {
  try {
    operation();
    return true;
  } catch (const std::exception& e) {
    state.List_Packets.Add(std::string(what) + " failed: " + e.what());
  } catch (...) {
    state.List_Packets.Add(std::string(what) + " failed");
  }
  return false;
}

// Writes a table whose changed flag is set; after a successful save, queues
// the alarm server's reload command and records the directory's stamp.
template <typename Save>
void SaveIfChanged(ServerState& state, DataTable table, bool& changed, const char* what,
                   const char* reload_command, const std::string& directory, DirectoryStamp& stamp,
                   Save save) {
  if (!changed) return;
  bool saved = false;
  const auto started = state.clock.steady_now();
  if (!Guarded(state, what, [&] { saved = save(); })) saved = false;
  RecordSave(state.metrics, table, saved, state.clock.steady_now() - started,
             state.clock.local_now());
  if (!saved) return;
  QueueAlarmCommand(state, reload_command);
  GetNewestDataFileTime(directory, stamp);
  changed = false;
}

// Reloads a table whose directory changed since its stamp. A directory that
// cannot be scanned counts as unchanged. While a change of the table is still
// waiting to be written, the table in memory is newer than the files and is
// kept; the stamp stays, so the files are compared again after the save.
template <typename Reload>
void ReloadIfChanged(ServerState& state, DataTable table, bool pending_change, const char* what,
                     const std::string& directory, DirectoryStamp& stamp, int32_t kind_text,
                     Reload reload) {
  DirectoryStamp now;
  if (!GetNewestDataFileTime(directory, now) || now == stamp || pending_change) return;
  stamp = now;
  int32_t count = 0;
  // Kept answers are built again from what was read, also after a failure.
  const bool reloaded = Guarded(state, what, [&] { count = reload(); });
  state.answers.ForgetAll();
  if (!reloaded) return;
  RecordReload(state.metrics, table, state.clock.local_now());
  state.log.ServerLog(state.texts.GetText(kTextDataFilesReloaded) + " " + std::to_string(count) +
                      " " + state.texts.GetText(kind_text));
}

}  // namespace

KeepAliveLimits KeepAliveLimitsFor(int32_t interval_ms) {
  KeepAliveLimits limits;
  limits.send_after_s = static_cast<int32_t>(RoundHalfEven(interval_ms / 1000.0));
  limits.drop_after_s = static_cast<int32_t>(RoundHalfEven(2.0 * interval_ms / 1000.0));
  return limits;
}

void RunPendingSaves(ServerState& state) {
  const StoreContext context = state.store_context();
  SaveIfChanged(state, DataTable::kReceivers, state.ReceiversChanged, "Saving the receivers", "RR",
                state.ProjectDirectory + "Receivers", state.ReceiversDirectoryStamp,
                [&] { return SaveAllReceivers(state.data.receivers, context); });
  SaveIfChanged(state, DataTable::kProfiles, state.ProfilesChanged, "Saving the profiles", "RP:-1",
                state.ProjectDirectory + "Profiles", state.ProfilesDirectoryStamp,
                [&] { return SaveAllProfiles(state.data.profiles, context); });
}

void TimerTick(ServerState& state) {
  state.metrics.last_tick = state.clock.steady_now();
  SweepConnections(state);
  RunPendingSaves(state);
  state.PollElapsed += kTimerIntervalMs;
  if (state.PollElapsed < kPollIntervalMs) return;
  const StoreContext context = state.store_context();
  ReloadIfChanged(state, DataTable::kReceivers, state.ReceiversChanged, "Reloading the receivers",
                  state.ProjectDirectory + "Receivers", state.ReceiversDirectoryStamp,
                  kTextReceivers, [&] { return LoadAllReceivers(state.data.receivers, context); });
  ReloadIfChanged(state, DataTable::kProfiles, state.ProfilesChanged, "Reloading the profiles",
                  state.ProjectDirectory + "Profiles", state.ProfilesDirectoryStamp, kTextProfiles,
                  [&] { return LoadAllProfiles(state.data.profiles, context); });
  state.PollElapsed = 0;
}

}  // namespace orlund
