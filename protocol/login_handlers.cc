// Login (type 6) and area (type 9).
#include "base/text_case.h"
#include "protocol/catalogue.h"
#include "protocol/handlers.h"
#include "protocol/messages.h"
#include "protocol/sending.h"
#include "store/users.h"

namespace orlund {

void HandlePassword(ServerState& state, cClientConnection& connection, std::string_view payload) {
  const std::string password = Decode<PasswordRequest>(payload).password;

  // The user file is read on every login, so that changes take effect
  // without a restart.
  LoadUsers(state.ProjectDirectory, state.users, state.log, state.texts);
  const int32_t start_level = state.StartUserLevel();
  if (start_level == 0) {
    connection.SetUserLevel(0);
    connection.SetUserName("");
    if (!password.empty()) {
      for (int i = 0; i < state.users.UserCount; ++i) {
        const UserRecord& user = state.users.Users[i];
        if (EqualsIgnoreCase1252(user.password, password)) {
          connection.SetUserLevel(user.level);
          connection.SetUserName(user.name);
          break;
        }
      }
    }
  } else {
    // No login needed, or nobody to log in as: the name stays as it was.
    connection.SetUserLevel(start_level);
  }
  SendPacket(state, ToClient, connection, NETWORK_COMMON_USERLEVEL,
             Encode(UserLevel{connection.GetUserLevel()}));
}

void HandleArea(ServerState&, cClientConnection& connection, std::string_view payload) {
  connection.m_Area = Decode<AreaRequest>(payload).area;
}

}  // namespace orlund
