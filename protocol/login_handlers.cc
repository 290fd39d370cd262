// Login (type 6) and area (type 9).
#include "protocol/catalogue.h"
#include "protocol/dispatcher.h"
#include "protocol/handlers.h"
#include "protocol/messages.h"
#include "protocol/user_login.h"
#include "store/users.h"

namespace orlund {

void HandlePassword(ServerState& state, cClientConnection& connection, std::string_view payload) {
  const std::string password = Decode<PasswordRequest>(payload).password;

  // The user file is read on every login, so that changes take effect
  // without a restart.
  LoadUsers(state.ProjectDirectory, state.users, state.log, state.texts);
  const UserLogin login = CheckUserLogin(state.users, state.settings.RequireActiveXLogin, password);
  connection.SetUserLevel(login.level);
  // No login needed, or nobody to log in as: the name stays as it was.
  if (login.required) connection.SetUserName(login.name);

  // Password guessing is slowed down per address: a failed login is
  // answered later the more failures in a row the address has, and a login
  // after them waits its turn, so guesses sent together gain nothing.
  const auto now = state.clock.steady_now();
  auto due = now;
  if (login.required && !login.matched) {
    ++state.metrics.logins_failed_protocol;
    due = state.login_throttle.Failed(connection.PeerAddress(), now);
  } else if (login.required) {
    due = state.login_throttle.Succeeded(connection.PeerAddress(), now);
  }
  AnswerAt(state, connection, due, NETWORK_COMMON_USERLEVEL,
           Encode(UserLevel{connection.GetUserLevel()}));
}

void HandleArea(ServerState&, cClientConnection& connection, std::string_view payload) {
  connection.m_Area = Decode<AreaRequest>(payload).area;
}

}  // namespace orlund
