#include "protocol/session_start.h"

#include <string_view>

#include "base/text_utils.h"
#include "protocol/catalogue.h"
#include "protocol/messages.h"
#include "protocol/sending.h"
#include "store/ini_file.h"
#include "store/users.h"

namespace orlund {

namespace {

constexpr int32_t kIniBufferLength = 4096;
constexpr char kServerIniFile[] = "Orlund_Server.ini";

}  // namespace

IniParameters ReadIniParameters(const std::string& ini_path) {
  const std::string names = ReadIniSectionNames(ini_path, kIniBufferLength);
  const std::string_view name_separator("\0", 1);
  IniParameters parameters;
  for (int i = 0; i < kMaxStartSections; ++i) {
    std::string name = GetField(names, i, name_separator);
    if (name.empty()) break;
    std::string lines = ReadIniSection(name, kIniBufferLength, ini_path);
    parameters.sections.push_back({std::move(name), std::move(lines)});
  }
  return parameters;
}

void SendSessionStart(ServerState& state, cClientConnection& connection) {
  const IniParameters parameters = ReadIniParameters(state.ProjectDirectory + kServerIniFile);
  SendPacket(state, ToClient, connection, NETWORK_COMMON_PROTOCOLVERSION,
             Encode(ProtocolVersion{kProtocolVersion}));
  SendPacket(state, ToClient, connection, NETWORK_COMMON_PROJECTPATH,
             Encode(ProjectPath{state.ProjectDirectory}));
  SendPacket(state, ToClient, connection, NETWORK_COMMON_INIPARAMETERS, Encode(parameters));
  connection.SetUserName("");
  LoadUsers(state.ProjectDirectory, state.users, state.log, state.texts);
  connection.SetUserLevel(state.StartUserLevel());
  SendPacket(state, ToClient, connection, NETWORK_COMMON_USERLEVEL,
             Encode(UserLevel{connection.GetUserLevel()}));
}

}  // namespace orlund
