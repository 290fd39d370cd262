#pragma once
// The subcommands of orlund-cli, one function each, and the run of a parsed
// command line against a server.

#include <ostream>

#include "tools/cli_args.h"
#include "tools/cli_session.h"

namespace orlund {

// Runs the subcommand of `options` (or prints help or the version) and
// returns the exit status; failures are reported on `err` as one line
// "orlund-cli: ...". `interrupt_fd` ends watch when it becomes readable.
// `connected_fd`, unless -1, is a socket already connected to a server, used
// instead of the options' host and port (see CliConnection::UseConnected).
int RunCli(const CliOptions& options, std::ostream& out, std::ostream& err, int interrupt_fd,
           int connected_fd = -1);

void CommandInfo(CliSession& session);
void CommandReceiverTypes(CliSession& session);
void CommandReceivers(CliSession& session);
void CommandDayTypes(CliSession& session);
void CommandHolidays(CliSession& session);
void CommandCalendar(CliSession& session);
void CommandSetReceiver(CliSession& session);
void CommandRemoveReceiver(CliSession& session);
void CommandRenameDayType(CliSession& session);
void CommandSetCalendar(CliSession& session);
void CommandSendMessage(CliSession& session);
void CommandLastMessage(CliSession& session);
void CommandCommand(CliSession& session);
void CommandWatch(CliSession& session, int interrupt_fd);
// In cli_profile_commands.cc.
void CommandProfiles(CliSession& session);
void CommandExportProfile(CliSession& session);
void CommandImportProfile(CliSession& session);
void CommandRemoveProfile(CliSession& session);
void CommandRenderSchedule(CliSession& session);
void CommandRenderCalendar(CliSession& session);

// The checks that need no server: the day type number, and every text that
// travels must fit Windows-1252 and a packet; CliError otherwise.
void CheckBeforeConnecting(const CliOptions& options);

// A failure on `err`: "orlund-cli: WHAT", or under --json one line
// {"error": WHAT, "exit_status": STATUS}.
void ReportError(std::ostream& err, bool json, const std::string& what, int status);

// A text for the wire; kExitBadInput when it is longer than a packet text
// can be (32767 bytes).
void CheckTextLength(const std::string& text, std::string_view what);

}  // namespace orlund
