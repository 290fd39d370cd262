#include "protocol/session_start.h"

#include <string_view>

#include "base/text_utils.h"
#include "protocol/catalogue.h"
#include "protocol/codec.h"
#include "protocol/sending.h"
#include "store/ini_file.h"
#include "store/users.h"

namespace orlund {

namespace {

constexpr int32_t kIniBufferLength = 4096;
constexpr char kServerIniFile[] = "Orlund_Server.ini";

}  // namespace

std::string IniParametersPayload(const std::string& ini_path) {
  const std::string names = ReadIniSectionNames(ini_path, kIniBufferLength);
  const std::string_view name_separator("\0", 1);
  std::string sections;
  int count = 0;
  for (int i = 0; i < kMaxStartSections; ++i) {
    std::string name = GetField(names, i, name_separator);
    if (name.empty()) break;
    EncodeString(sections, name);
    EncodeString(sections, ReadIniSection(name, kIniBufferLength, ini_path));
    ++count;
  }
  return EncodeInt16(count) + sections;
}

void SendSessionStart(ServerState& state, cClientConnection& connection) {
  std::string parameters = IniParametersPayload(state.ProjectDirectory + kServerIniFile);
  SendPacket(state, ToClient, connection, NETWORK_COMMON_PROTOCOLVERSION,
             EncodeInt16(kProtocolVersion));
  SendPacket(state, ToClient, connection, NETWORK_COMMON_PROJECTPATH,
             EncodeString(state.ProjectDirectory));
  SendPacket(state, ToClient, connection, NETWORK_COMMON_INIPARAMETERS, parameters);
  connection.SetUserName("");
  LoadUsers(state.ProjectDirectory, state.users, state.log, state.texts);
  connection.SetUserLevel(state.StartUserLevel());
  SendPacket(state, ToClient, connection, NETWORK_COMMON_USERLEVEL,
             EncodeInt32(connection.GetUserLevel()));
}

}  // namespace orlund
