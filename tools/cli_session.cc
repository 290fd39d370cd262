#include "tools/cli_session.h"

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iostream>
#include <iterator>
#include <sstream>

#include "base/text_case.h"
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
                       "the server at " + HostPort(options_.host, options_.port) +
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

void CliSession::Open(const std::optional<std::string>& password, int connected_fd) {
  std::string wire_password;
  if (password) wire_password = OperatorTextTo1252(*password, "the password");
  if (connected_fd >= 0) {
    connection_.UseConnected(connected_fd);
  } else {
    connection_.Connect(options_.host, options_.port);
  }
  ReadStartPackets();
  if (password) {
    const std::string answer = Request(
        NETWORK_COMMON_PASSWORD, Encode(PasswordRequest{wire_password}), NETWORK_COMMON_USERLEVEL);
    start_.user_level = Decoded(NETWORK_COMMON_USERLEVEL, answer, Decode<UserLevel>).level;
    // Without a required login every password gives 32767; 0 means the
    // password matched nobody.
    if (start_.user_level == 0)
      throw CliError(kExitLoginFailed,
                     "login failed: the server requires a login and the password matches no user");
    if (!options_.json) err_ << "User level: " << start_.user_level << "\n";
  }
  if (options_.area)
    SendConfirmed(NETWORK_COMMON_AREA,
                  Encode(AreaRequest{OperatorTextTo1252(*options_.area, "the area")}));
}

namespace {

std::string TrimBlanks(const std::string& text) {
  const size_t first = text.find_first_not_of(" \t");
  if (first == std::string::npos) return "";
  return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

}  // namespace

void CliSession::CheckMayChange() const {
  int32_t minimum = 0;
  for (const auto& section : start_.sections) {
    if (!EqualsIgnoreCase1252(section.name, "ActiveX")) continue;
    for (const auto& line : SplitIniLines(section.lines)) {
      const size_t equals = line.find('=');
      if (equals == std::string::npos ||
          !EqualsIgnoreCase1252(TrimBlanks(line.substr(0, equals)), "ActiveXMinimumChangeLevel"))
        continue;
      minimum = std::atoi(TrimBlanks(line.substr(equals + 1)).c_str());
    }
  }
  if (minimum > 0 && start_.user_level < minimum)
    throw CliError(kExitNotAllowed,
                   "the server carries out changes only from user level " +
                       std::to_string(minimum) + " up, this connection has level " +
                       std::to_string(start_.user_level) + " (log in with --password)");
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
    out_ << Cp1252ToUtf8(human);
  }
  out_.flush();
}

namespace {

// One line typed on the terminal with echo off; stdin's first line when
// there is no terminal.
std::string PromptPassword() {
  const int tty = ::open("/dev/tty", O_RDWR | O_CLOEXEC);
  std::string line;
  if (tty < 0) {
    std::getline(std::cin, line);
    return line;
  }
  termios saved{};
  const bool terminal = ::tcgetattr(tty, &saved) == 0;
  if (terminal) {
    termios quiet = saved;
    quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
    ::tcsetattr(tty, TCSAFLUSH, &quiet);
  }
  static constexpr char kPrompt[] = "Password: ";
  [[maybe_unused]] ssize_t n = ::write(tty, kPrompt, sizeof kPrompt - 1);
  char c = 0;
  while (::read(tty, &c, 1) == 1 && c != '\n') line.push_back(c);
  if (terminal) ::tcsetattr(tty, TCSAFLUSH, &saved);
  n = ::write(tty, "\n", 1);
  ::close(tty);
  return line;
}

}  // namespace

std::optional<std::string> ResolvePassword(const CliOptions& options) {
  if (options.password) return *options.password == "-" ? PromptPassword() : *options.password;
  if (options.password_file) {
    std::string text = ReadInputFile(*options.password_file);
    text = text.substr(0, text.find('\n'));
    if (!text.empty() && text.back() == '\r') text.pop_back();
    return text;
  }
  if (const char* value = std::getenv("ORLUND_PASSWORD")) return std::string(value);
  return std::nullopt;
}

std::string ReadInputFile(const std::string& path) {
  if (path == "-")
    return std::string(std::istreambuf_iterator<char>(std::cin), std::istreambuf_iterator<char>());
  std::ifstream in(path, std::ios::binary);
  if (!in) throw CliError(kExitBadInput, "cannot open '" + path + "': " + std::strerror(errno));
  std::ostringstream bytes;
  bytes << in.rdbuf();
  if (in.bad())
    throw CliError(kExitBadInput, "cannot read '" + path + "': " + std::strerror(errno));
  return bytes.str();
}

}  // namespace orlund
