#include "protocol/user_login.h"

#include "base/text_case.h"

namespace orlund {

UserLogin CheckUserLogin(const UserTable& users, bool require_login, std::string_view password) {
  UserLogin login;
  login.required = require_login && users.UserCount > 0;
  if (!login.required) return login;
  login.level = 0;
  if (password.empty()) return login;
  for (int i = 0; i < users.UserCount; ++i) {
    const UserRecord& user = users.Users[i];
    if (EqualsIgnoreCase1252(user.password, password)) {
      login.matched = true;
      login.level = user.level;
      login.name = user.name;
      break;
    }
  }
  return login;
}

}  // namespace orlund
