#include "protocol/audit.h"

#include <gtest/gtest.h>

#include "protocol/catalogue.h"
#include "protocol/messages.h"
#include "schedule/time_schedule.h"
#include "testing/fake_transport.h"

namespace orlund {
namespace {

struct AuditedRequest {
  int type;
  std::string payload;
  std::string line;  // the audit line it writes; empty: none
};

std::vector<AuditedRequest> Requests() {
  ProfileEntry profile;
  profile.period_array = cTimeSchedule().ComposePeriodArray();
  return {
      {NETWORK_RECEIVER_UPDATE, Encode(ReceiverEntry{"Anna", 0, 0, 1, "", {}}),
       "Receiver added by Ann from 10.0.0.5: Anna"},
      {NETWORK_RECEIVER_UPDATE, Encode(ReceiverEntry{"ANNA", 0, 0, 2, "", {}}),
       "Receiver changed by Ann from 10.0.0.5: ANNA"},
      {NETWORK_RECEIVER_REMOVE, Encode(ReceiverRemove{"anna"}),
       "Receiver removed by Ann from 10.0.0.5: ANNA"},
      {NETWORK_RECEIVER_REMOVE, Encode(ReceiverRemove{"nobody"}), ""},
      {NETWORK_PROFILE_UPDATE, Encode(ProfileUpdateRequest{"Night", profile}),
       "Profile added by Ann from 10.0.0.5: Night"},
      {NETWORK_PROFILE_UPDATE, Encode(ProfileUpdateRequest{"night", profile}),
       "Profile changed by Ann from 10.0.0.5: night"},
      {NETWORK_PROFILE_REMOVE, Encode(ProfileRemoveRequest{"NIGHT"}),
       "Profile removed by Ann from 10.0.0.5: night"},
      {NETWORK_DAYTYPENAMES_UPDATE, Encode(DayTypeNameUpdateRequest{3, "Late"}),
       "Day type renamed by Ann from 10.0.0.5: 3 'Late'"},
      {NETWORK_GLOBAL_CALENDAR_UPDATE, Encode(CalendarPairs{{{10, 8}, {-1, 8}}}),
       "Global calendar updated by Ann from 10.0.0.5: 1 day"},
      {NETWORK_TEXTMESSAGE_SUBMITMESSAGE, Encode(SubmitMessageRequest{{"Anna", "Bert"}, "Hot"}),
       "Text message sent by Ann from 10.0.0.5: to Anna, Bert"},
      {NETWORK_SUBMIT_COMMANDENTRY, Encode(CommandEntryRequest{"RR"}),
       "Command queued by Ann from 10.0.0.5: RR"},
  };
}

// Only the lines of the audit trail, without the lines the handlers write
// from language texts.
std::vector<std::string> AuditLines(const RecordingLog& log) {
  std::vector<std::string> lines;
  for (const auto& line : log.lines)
    if (line.find(" by ") != std::string::npos) lines.push_back(line);
  return lines;
}

TEST(Audit, EveryChangeAndHandOverWritesOneLineAndAJournalEvent) {
  TestServer server;
  server.state.settings.StoreActiveXMessagesByServer = false;
  std::vector<AuditEvent> journal;
  server.state.audit_journal = [&](const AuditEvent& e) { journal.push_back(e); };
  FakeClient client = server.Join();
  client.connection->SetUserName("Ann");
  client.connection->SetUserLevel(5);
  server.state.settings.ActiveXMinimumChangeLevel = 5;  // met: served
  std::vector<std::string> expected;
  for (const auto& r : Requests()) {
    server.log.lines.clear();
    Request(server, client, r.type, r.payload);
    EXPECT_EQ(AuditLines(server.log),
              r.line.empty() ? std::vector<std::string>{} : std::vector<std::string>{r.line})
        << r.type;
    if (!r.line.empty()) expected.push_back(r.line);
  }
  ASSERT_EQ(journal.size(), expected.size());
  EXPECT_EQ(journal[0].message_id, std::string(AuditMessageId(AuditKind::kReceiverAdded)));
  EXPECT_EQ(journal[0].object, "Anna");
  EXPECT_EQ(journal[0].address, "10.0.0.5");
  EXPECT_EQ(journal.back().line, expected.back());
  EXPECT_EQ(server.alarm.commands.size(), 2u);
}

TEST(Audit, BelowTheMinimumChangeLevelNothingIsCarriedOut) {
  TestServer server;
  server.state.settings.StoreActiveXMessagesByServer = false;
  server.state.settings.ActiveXMinimumChangeLevel = 100;
  FakeClient client = server.Join();
  FakeClient other = server.Join("10.0.0.6");
  client.connection->SetUserLevel(99);
  for (const auto& r : Requests()) {
    server.log.lines.clear();
    Request(server, client, r.type, r.payload);
    EXPECT_EQ(server.log.lines,
              std::vector<std::string>{"Change refused by - from 10.0.0.5: " + MessageName(r.type) +
                                       " (user level 99, "
                                       "ActiveXMinimumChangeLevel 100)"});
  }
  EXPECT_EQ(Sent(client) + Sent(other), "");
  EXPECT_TRUE(server.alarm.commands.empty());
  EXPECT_EQ(server.state.data.receivers.ReceiverCount + server.state.data.profiles.ProfileCount, 0);
  EXPECT_FALSE(server.state.ReceiversChanged || server.state.ProfilesChanged);
  // Reading stays open.
  Request(server, client, NETWORK_COMMON_RECEIVERS);
  EXPECT_NE(Sent(client), "");
}

}  // namespace
}  // namespace orlund
