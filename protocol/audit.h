#pragma once
// The audit trail: one server log line for every change a client makes and
// everything it hands to the alarm server, naming the user ("-" when none),
// the client's address and what changed; and the gate that refuses changes
// from connections below ActiveXMinimumChangeLevel. The lines are plain
// English; as a service the server also hands each event to the journal
// (ServerState::audit_journal) with structured fields.

#include <string>

#include "protocol/server_state.h"

namespace orlund {

// The kinds of audited events; each has a fixed journal MESSAGE_ID.
enum class AuditKind {
  kReceiverAdded,
  kReceiverChanged,
  kReceiverRemoved,
  kProfileAdded,
  kProfileChanged,
  kProfileRemoved,
  kDayTypeRenamed,
  kCalendarUpdated,
  kMessageSent,
  kCommandQueued,
  kChangeRefused,
};

// The journal's MESSAGE_ID of `kind`, 32 lowercase hex digits.
const char* AuditMessageId(AuditKind kind);

// "Receiver added by USER from ADDRESS: OBJECT" and its kin; USER is "-"
// when the connection has no user name.
std::string AuditLine(AuditKind kind, const std::string& user, const std::string& address,
                      const std::string& object);

// An audited event of a connection, taken while the connection exists and
// recorded later, when it may have gone.
struct PendingAudit {
  AuditKind kind;
  std::string user;
  std::string address;
  std::string object;
};
PendingAudit AuditOf(const cClientConnection& connection, AuditKind kind, std::string object);

// Writes the audit line of the event to the server log and, when set, hands
// the event to the journal.
void RecordAudit(ServerState& state, const PendingAudit& event);
void Audit(ServerState& state, const cClientConnection& connection, AuditKind kind,
           const std::string& object);

// True unless ActiveXMinimumChangeLevel is above 0, request `type` changes
// data or goes to the alarm server, and the connection's level is below it;
// a refused request is audited as kChangeRefused and must not be carried out.
bool ChangeAllowed(ServerState& state, const cClientConnection& connection, int type);

}  // namespace orlund
