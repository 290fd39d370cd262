#include "tools/cli_session.h"

#include <fstream>
#include <iostream>
#include <iterator>
#include <sstream>

#include "protocol/catalogue.h"
#include "protocol/codec.h"
#include "tools/cli_error.h"
#include "tools/cli_text.h"

namespace orlund {

CliSession::CliSession(const CliOptions& options, std::ostream& out, std::ostream& err)
    : options_(options), out_(out), err_(err), connection_(options.timeout) {}

void CliSession::FailMalformed(int type, const std::string& what) {
  throw CliError(kExitProtocol, "malformed " + MessageName(type) + " from the server: " + what);
}

void CliSession::ReadStartPackets() {
  static constexpr int kStartTypes[] = {NETWORK_COMMON_PROTOCOLVERSION, NETWORK_COMMON_PROJECTPATH,
                                        NETWORK_COMMON_INIPARAMETERS, NETWORK_COMMON_USERLEVEL};
  bool first = true;
  for (int type : kStartTypes) {
    CliPacket packet;
    try {
      packet = connection_.Read("the start packets");
    } catch (const CliError& e) {
      if (first && e.code() == kExitClosed)
        throw CliError(kExitRefused,
                       "the server at " + options_.host + ":" + std::to_string(options_.port) +
                           " closed the connection without sending the start packets (this "
                           "address is not admitted, or the server is full)");
      throw;
    }
    first = false;
    if (packet.type != type)
      throw CliError(kExitProtocol, "expected " + MessageName(type) + " from the server, got " +
                                        MessageName(packet.type));
    Decoded(type, packet.payload, [&](std::string_view payload) {
      switch (type) {
        case NETWORK_COMMON_PROTOCOLVERSION:
          start_.protocol_version = Decode<ProtocolVersion>(payload).version;
          break;
        case NETWORK_COMMON_PROJECTPATH:
          start_.project_path = Decode<ProjectPath>(payload).path;
          break;
        case NETWORK_COMMON_INIPARAMETERS:
          start_.sections = Decode<IniParameters>(payload).sections;
          break;
        default:
          start_.user_level = Decode<UserLevel>(payload).level;
      }
      return 0;
    });
  }
  if (start_.protocol_version != 4)
    err_ << "orlund-cli: warning: the server speaks protocol version " << start_.protocol_version
         << ", this client version 4\n";
}

void CliSession::Open() {
  connection_.Connect(options_.host, options_.port);
  ReadStartPackets();
  if (options_.password) {
    const std::string password = OperatorTextTo1252(*options_.password, "the password");
    const std::string answer = Request(NETWORK_COMMON_PASSWORD, Encode(PasswordRequest{password}),
                                       NETWORK_COMMON_USERLEVEL);
    start_.user_level = Decoded(NETWORK_COMMON_USERLEVEL, answer, Decode<UserLevel>).level;
    err_ << "User level: " << start_.user_level << "\n";
  }
  if (options_.area)
    SendConfirmed(NETWORK_COMMON_AREA,
                  Encode(AreaRequest{OperatorTextTo1252(*options_.area, "the area")}));
}

std::string CliSession::Request(int type, std::string_view payload, int answer_type) {
  connection_.Send(type, payload);
  return connection_.Await(answer_type);
}

void CliSession::SendConfirmed(int type, std::string_view payload) {
  connection_.Send(type, payload);
  Request(NETWORK_COMMON_RECEIVERTYPES, Encode(NoFields{}), NETWORK_COMMON_RECEIVERTYPES);
}

std::vector<ReceiverEntry> CliSession::FetchReceivers() {
  return Fetch<ReceiversAnswer>(NETWORK_COMMON_RECEIVERS).receivers;
}

DayTypeNames CliSession::FetchDayTypeNames() {
  return Fetch<DayTypeNamesAnswer>(NETWORK_DAYTYPENAMES).names;
}

void CliSession::Print(const std::string& human, const Json& json) {
  if (options_.json) {
    out_ << PrettyJson(json) << "\n";
  } else {
    out_ << human;
  }
  out_.flush();
}

std::string ReadInputFile(const std::string& path) {
  if (path == "-")
    return std::string(std::istreambuf_iterator<char>(std::cin), std::istreambuf_iterator<char>());
  std::ifstream in(path, std::ios::binary);
  if (!in) throw CliError(kExitBadInput, "cannot open '" + path + "'");
  std::ostringstream bytes;
  bytes << in.rdbuf();
  if (in.bad()) throw CliError(kExitBadInput, "cannot read '" + path + "'");
  return bytes.str();
}

}  // namespace orlund
