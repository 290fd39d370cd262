// Text messages (types 60, 61, 62) and command entries (type 190), queued
// for the alarm server; the last message is remembered in the per-user
// settings store.
#include "protocol/alarm_commands.h"
#include "protocol/audit.h"
#include "protocol/catalogue.h"
#include "protocol/handlers.h"
#include "protocol/messages.h"
#include "protocol/sending.h"
#include "store/settings_store.h"

namespace orlund {
namespace {

// The remembered message's receivers or text: this run's newest, or what
// the settings store kept from before.
std::string LastMessageValue(const ServerState& state, bool text) {
  if (const auto& value = state.LastMessage.value) return text ? value->second : value->first;
  return ReadSetting(state.user_settings_root, kUserParametersKey,
                     text ? kLastMessageTextValue : kLastMessageReceiversValue, "");
}

// Writes the remembered message to the settings store from the background:
// each value is synced to disk. A failed write is shown in the packet list;
// the message stays remembered in memory, and the next one is written anew.
void WriteLastMessage(ServerState& state, const std::string& peer) {
  WriteNewest(state, state.LastMessage.write, [&state, peer] {
    return BackgroundJob([&state, peer, root = state.user_settings_root,
                          value = *state.LastMessage.value] {
      const bool receivers =
          WriteSetting(root, kUserParametersKey, kLastMessageReceiversValue, value.first);
      const bool text = WriteSetting(root, kUserParametersKey, kLastMessageTextValue, value.second);
      if (receivers && text) return std::function<void()>();
      return ShowNotWritten(state, peer, NETWORK_TEXTMESSAGE_SUBMITMESSAGE,
                            "remembered message not written to " + root);
    });
  });
}

}  // namespace

void HandleSubmitMessage(ServerState& state, cClientConnection& connection,
                         std::string_view payload) {
  const SubmitMessageRequest request = Decode<SubmitMessageRequest>(payload);

  // The alarm server gets the message as it came, receivers and separators
  // included.
  std::string receivers;
  for (const auto& r : request.receivers) receivers += (receivers.empty() ? "" : ", ") + r;
  QueueAlarmCommand(state, "FT:" + MessageString(request),
                    AuditOf(connection, AuditKind::kMessageSent, "to " + receivers));
  if (!state.settings.StoreActiveXMessagesByServer) return;
  // A message without receivers is not remembered.
  if (request.receivers.empty()) return;
  state.LastMessage.value.emplace(JoinLastReceivers(request.receivers), request.text);
  WriteLastMessage(state, connection.PeerName());
}

void HandleLastMessageReceivers(ServerState& state, cClientConnection& connection,
                                std::string_view) {
  const LastMessageReceiversAnswer answer{SplitLastReceivers(LastMessageValue(state, false))};
  SendPacket(state, ToClient, connection, NETWORK_TEXTMESSAGE_LASTMSGRECEIVERS, Encode(answer));
}

void HandleLastMessageText(ServerState& state, cClientConnection& connection, std::string_view) {
  const LastMessageTextAnswer answer{LastMessageValue(state, true)};
  SendPacket(state, ToClient, connection, NETWORK_TEXTMESSAGE_LASTMSGTEXT, Encode(answer));
}

void HandleSubmitCommandEntry(ServerState& state, cClientConnection& connection,
                              std::string_view payload) {
  const std::string command = Decode<CommandEntryRequest>(payload).command;
  QueueAlarmCommand(state, command, AuditOf(connection, AuditKind::kCommandQueued, command));
}

}  // namespace orlund
