#pragma once
// The password check of a login: the user file's users, found by password
// alone, upper-cased and compared character for character, the first match
// from slot 0 winning. The type 6 request and the operator console both use
// it, so a password opens both or neither.

#include <cstdint>
#include <string>
#include <string_view>

#include "store/users.h"

namespace orlund {

struct UserLogin {
  // A login is needed: RequireActiveXLogin is set and users exist. When it
  // is not, every password gives the full level and leaves the name alone.
  bool required = false;
  // A user's password matched (always false when no login is needed).
  bool matched = false;
  int32_t level = 32767;
  std::string name;  // the matched user's name; empty otherwise
};

// What `password` gives. An empty password matches nobody, so a user whose
// stored password is empty can never log in.
UserLogin CheckUserLogin(const UserTable& users, bool require_login, std::string_view password);

}  // namespace orlund
