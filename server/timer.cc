#include "server/timer.h"

#include <chrono>
#include <exception>
#include <string>

#include "base/numeric.h"
#include "base/text_numbers.h"
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

// Reloads a table whose directory changed since its stamp. A directory that
// cannot be scanned counts as unchanged. While the table has changes not yet
// on disk, or a save of it runs, the table in memory is newer than the files
// and is kept; the stamp stays, so the files are compared again afterwards.
// A reload that fails keeps the table and the stamp, and is tried again at
// the next poll.
template <typename Reload>
void ReloadIfChanged(ServerState& state, DataTable table, bool busy, const char* what,
                     const std::string& directory, DirectoryStamp& stamp, int32_t kind_text,
                     Reload reload) {
  DirectoryStamp now;
  if (busy || !GetNewestDataFileTime(directory, now, *state.file_system) || now == stamp) return;
  int32_t count = 0;
  // Kept answers are built again from what is read, also after a failure.
  try {
    count = reload();
  } catch (const std::exception& e) {
    state.answers.ForgetAll();
    state.List_Packets.Add(std::string(what) + " failed: " + e.what());
    return;
  }
  state.answers.ForgetAll();
  stamp = now;
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

void TimerTick(ServerState& state, DeferredSaves& saves) {
  state.metrics.last_tick = state.clock.steady_now();
  SweepConnections(state);
  saves.StartPending();
  state.PollElapsed += kTimerIntervalMs;
  if (state.PollElapsed < kPollIntervalMs) return;
  const StoreContext context = state.store_context();
  ReloadIfChanged(state, DataTable::kReceivers, saves.ReceiversBusy(), "Reloading the receivers",
                  state.ProjectDirectory + "Receivers", state.ReceiversDirectoryStamp,
                  kTextReceivers, [&] { return LoadAllReceivers(state.data.receivers, context); });
  ReloadIfChanged(state, DataTable::kProfiles, saves.ProfilesBusy(), "Reloading the profiles",
                  state.ProjectDirectory + "Profiles", state.ProfilesDirectoryStamp, kTextProfiles,
                  [&] { return LoadAllProfiles(state.data.profiles, context); });
  state.PollElapsed = 0;
}

}  // namespace orlund
