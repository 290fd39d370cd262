#pragma once
// One run of orlund-cli against a server: the connection after its start
// packets (and login), the parsed options and the output streams, with the
// request steps the subcommands share. Failures are raised as CliError.

#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "protocol/codec.h"
#include "protocol/messages.h"
#include "tools/cli_args.h"
#include "tools/cli_connection.h"
#include "tools/cli_format.h"

namespace orlund {

class CliSession {
 public:
  CliSession(const CliOptions& options, std::ostream& out, std::ostream& err);

  // Connects (or uses `connected_fd`, see CliConnection::UseConnected),
  // reads the start packets (types 1, 2, 3, 7), logs in with `password`
  // when there is one and names the area when one was given. kExitRefused
  // when the server closes the connection before the first start packet;
  // kExitLoginFailed when the login gave level 0.
  void Open(const std::optional<std::string>& password, int connected_fd = -1);

  // Before a request that changes data: kExitNotAllowed when the server's
  // ActiveXMinimumChangeLevel (its INI section ActiveX, sent at the start) is
  // above the user level, since the server then drops the request silently.
  void CheckMayChange() const;

  const CliOptions& options() const { return options_; }
  const SessionStart& start() const { return start_; }
  CliConnection& connection() { return connection_; }
  std::ostream& out() { return out_; }
  std::ostream& err() { return err_; }

  // Sends a request and returns the payload of the answer of `answer_type`.
  std::string Request(int type, std::string_view payload, int answer_type);

  // Sends a request the server does not answer, then request 4, and waits
  // for that answer: the server handles a client's packets in order, so the
  // request has been processed when it comes.
  void SendConfirmed(int type, std::string_view payload);

  // Runs `decode` on an answer; a DecodeError becomes kExitProtocol.
  template <typename DecodeFunction>
  auto Decoded(int answer_type, const std::string& payload, DecodeFunction decode) {
    try {
      return decode(payload);
    } catch (const DecodeError& e) {
      FailMalformed(answer_type, e.what());
    }
  }

  // Sends request `type`, which has no fields, and decodes its answer of the
  // same type as an Answer.
  template <typename Answer>
  Answer Fetch(int type) {
    return Decoded(type, Request(type, Encode(NoFields{}), type), Decode<Answer>);
  }

  std::vector<ReceiverEntry> FetchReceivers();
  DayTypeNames FetchDayTypeNames();

  // Writes the human text, or the JSON document with a line end.
  void Print(const std::string& human, const Json& json);

 private:
  [[noreturn]] static void FailMalformed(int type, const std::string& what);
  void ReadStartPackets();

  const CliOptions& options_;
  std::ostream& out_;
  std::ostream& err_;
  CliConnection connection_;
  SessionStart start_;
};

// The password to log in with: --password (asking on the terminal without
// echo for "-", or reading a line of stdin when there is no terminal), the
// first line of --password-file, or $ORLUND_PASSWORD; none without any of
// them. kExitBadInput when the file cannot be read.
std::optional<std::string> ResolvePassword(const CliOptions& options);

// Reads a whole file ("-" for stdin); kExitBadInput when it cannot be read.
std::string ReadInputFile(const std::string& path);

}  // namespace orlund
