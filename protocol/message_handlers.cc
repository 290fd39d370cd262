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

std::string ReadLastMessageSetting(const ServerState& state, const char* value_name) {
  return ReadSetting(state.user_settings_root, kUserParametersKey, value_name, "");
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
  WriteSetting(state.user_settings_root, kUserParametersKey, kLastMessageReceiversValue,
               JoinLastReceivers(request.receivers));
  WriteSetting(state.user_settings_root, kUserParametersKey, kLastMessageTextValue, request.text);
}

void HandleLastMessageReceivers(ServerState& state, cClientConnection& connection,
                                std::string_view) {
  const LastMessageReceiversAnswer answer{
      SplitLastReceivers(ReadLastMessageSetting(state, kLastMessageReceiversValue))};
  SendPacket(state, ToClient, connection, NETWORK_TEXTMESSAGE_LASTMSGRECEIVERS, Encode(answer));
}

void HandleLastMessageText(ServerState& state, cClientConnection& connection, std::string_view) {
  const LastMessageTextAnswer answer{ReadLastMessageSetting(state, kLastMessageTextValue)};
  SendPacket(state, ToClient, connection, NETWORK_TEXTMESSAGE_LASTMSGTEXT, Encode(answer));
}

void HandleSubmitCommandEntry(ServerState& state, cClientConnection& connection,
                              std::string_view payload) {
  const std::string command = Decode<CommandEntryRequest>(payload).command;
  QueueAlarmCommand(state, command, AuditOf(connection, AuditKind::kCommandQueued, command));
}

}  // namespace orlund
