#include "server/timer.h"

#include <chrono>
#include <exception>
#include <string>

#include "protocol/catalogue.h"
#include "protocol/sending.h"
#include "server/data_tables.h"
#include "store/directory_stamp.h"
#include "store/numeric.h"

namespace orlund {

namespace {

// One sweep step for a member that is still connected: drop it when silent
// for more than S2 seconds, send a keep-alive when silent for S1 or more.
void KeepAlive(ServerState& state, cClientConnection& member, const KeepAliveLimits& limits) {
  auto silence = state.clock.steady_now() - member.m_NetworkLastPacketFromClientTimeStamp;
  if (silence > std::chrono::seconds(limits.drop_after_s)) {
    state.log.ServerLog(state.texts.GetText(877) + " " + member.PeerAddress() + " " +
                        state.texts.GetText(878));
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

void SaveIfChanged(ServerState& state, bool& changed, bool (*save)(ServerState&), const char* what,
                   const std::string& directory, DirectoryStamp& stamp) {
  if (!changed) return;
  bool saved = false;
  if (!Guarded(state, what, [&] { saved = save(state); }) || !saved) return;
  GetNewestDataFileTime(directory, stamp);
  changed = false;
}

// Reloads a table whose directory changed since its stamp. A directory that
// cannot be scanned counts as unchanged. While a change of the table is still
// waiting to be written, the table in memory is newer than the files and is
// kept; the stamp stays, so the files are compared again after the save.
void ReloadIfChanged(ServerState& state, bool pending_change, int32_t (*reload)(ServerState&),
                     const char* what, const std::string& directory, DirectoryStamp& stamp,
                     int32_t kind_text) {
  DirectoryStamp now;
  if (!GetNewestDataFileTime(directory, now) || now == stamp || pending_change) return;
  stamp = now;
  int32_t count = 0;
  if (!Guarded(state, what, [&] { count = reload(state); })) return;
  state.log.ServerLog(state.texts.GetText(813) + " " + std::to_string(count) + " " +
                      state.texts.GetText(kind_text));
}

}  // namespace

KeepAliveLimits KeepAliveLimitsFor(int32_t interval_ms) {
  KeepAliveLimits limits;
  limits.send_after_s = static_cast<int32_t>(RoundHalfEven(interval_ms / 1000.0));
  limits.drop_after_s = static_cast<int32_t>(RoundHalfEven(2.0 * interval_ms / 1000.0));
  return limits;
}

void RunPendingSaves(ServerState& state) {
  SaveIfChanged(state, state.ReceiversChanged, SaveReceiverTable, "Saving the receivers",
                state.ProjectDirectory + "Receivers", state.ReceiversDirectoryStamp);
  SaveIfChanged(state, state.ProfilesChanged, SaveProfileTable, "Saving the profiles",
                state.ProjectDirectory + "Profiles", state.ProfilesDirectoryStamp);
}

void TimerTick(ServerState& state) {
  SweepConnections(state);
  RunPendingSaves(state);
  state.PollElapsed += kTimerIntervalMs;
  if (state.PollElapsed < kPollIntervalMs) return;
  ReloadIfChanged(state, state.ReceiversChanged, ReloadReceiverTable, "Reloading the receivers",
                  state.ProjectDirectory + "Receivers", state.ReceiversDirectoryStamp, 125);
  ReloadIfChanged(state, state.ProfilesChanged, ReloadProfileTable, "Reloading the profiles",
                  state.ProjectDirectory + "Profiles", state.ProfilesDirectoryStamp, 144);
  state.PollElapsed = 0;
}

}  // namespace orlund
