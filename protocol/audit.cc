#include "protocol/audit.h"

#include "protocol/catalogue.h"

namespace orlund {
namespace {

struct KindText {
  const char* message_id;
  const char* what;
};

// Ids chosen once: `journalctl MESSAGE_ID=...` finds the events by them.
constexpr KindText kKinds[] = {
    {"a98b22e5fc974852a8c341a26c5aa5eb", "Receiver added"},
    {"1c96400d531a49388a4cbd842d6d2350", "Receiver changed"},
    {"7af8c94c56114253b492fa53415727fc", "Receiver removed"},
    {"7bf7b110ee744f68b124e1dceb541e34", "Profile added"},
    {"53dbd2fe3dda46f786e209ba3fad8299", "Profile changed"},
    {"cc8fb818a7384abdbb1b8592caec4208", "Profile removed"},
    {"1eda049fe27d449b98c4fb54dc05922a", "Day type renamed"},
    {"2bb17b504caf42d1a1031160647136dc", "Global calendar updated"},
    {"dc1d33d7a55e4be39dd1b4a0667f390d", "Text message sent"},
    {"6a5e130e0d164536b089d91875810fda", "Command queued"},
    {"1c6de7c50ea245798d9ad5a95b1c00e9", "Change refused"},
};

const KindText& Text(AuditKind kind) { return kKinds[static_cast<int>(kind)]; }

bool IsChangeRequest(int type) {
  switch (type) {
    case NETWORK_TEXTMESSAGE_SUBMITMESSAGE:
    case NETWORK_RECEIVER_UPDATE:
    case NETWORK_RECEIVER_REMOVE:
    case NETWORK_PROFILE_UPDATE:
    case NETWORK_PROFILE_REMOVE:
    case NETWORK_DAYTYPENAMES_UPDATE:
    case NETWORK_GLOBAL_CALENDAR_UPDATE:
    case NETWORK_SUBMIT_COMMANDENTRY:
      return true;
    default:
      return false;
  }
}

}  // namespace

const char* AuditMessageId(AuditKind kind) { return Text(kind).message_id; }

std::string AuditLine(AuditKind kind, const std::string& user, const std::string& address,
                      const std::string& object) {
  return std::string(Text(kind).what) + " by " + (user.empty() ? "-" : user) + " from " + address +
         ": " + object;
}

PendingAudit AuditOf(const cClientConnection& connection, AuditKind kind, std::string object) {
  return PendingAudit{kind, connection.GetUserName(), connection.PeerAddress(), std::move(object)};
}

void RecordAudit(ServerState& state, const PendingAudit& event) {
  const std::string line = AuditLine(event.kind, event.user, event.address, event.object);
  state.log.ServerLog(line);
  if (state.audit_journal)
    state.audit_journal(AuditEvent{AuditMessageId(event.kind), line,
                                   event.user.empty() ? "-" : event.user, event.address,
                                   event.object});
}

void Audit(ServerState& state, const cClientConnection& connection, AuditKind kind,
           const std::string& object) {
  RecordAudit(state, AuditOf(connection, kind, object));
}

bool ChangeAllowed(ServerState& state, const cClientConnection& connection, int type) {
  const int32_t minimum = state.settings.ActiveXMinimumChangeLevel;
  if (minimum <= 0 || !IsChangeRequest(type) || connection.GetUserLevel() >= minimum) return true;
  Audit(state, connection, AuditKind::kChangeRefused,
        MessageName(type) + " (user level " + std::to_string(connection.GetUserLevel()) +
            ", ActiveXMinimumChangeLevel " + std::to_string(minimum) + ")");
  return false;
}

}  // namespace orlund
