// A user file of any bytes: at most 102 users, each complete, and the users
// read are written to a file that reads back as the same users without a
// complaint. A login checks against them.

#include "fuzz/fuzz_check.h"
#include "protocol/user_login.h"
#include "store/users.h"

using namespace orlund;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view bytes = fuzz::Bytes(data, size);
  FixedTexts texts;
  RecordingLog log;
  UserTable table;
  ParseUsers(bytes, table, log, texts);
  FUZZ_CHECK(table.UserCount >= 0 && table.UserCount <= kUserCapacity);
  FUZZ_CHECK(log.lines.size() <= 1);

  const std::span<const UserRecord> users(table.Users.data(), table.UserCount);
  for (const UserRecord& user : users) {
    FUZZ_CHECK(user.name.size() <= 255 && user.password.size() <= 255 && user.level >= 0);
  }
  UserTable again;
  RecordingLog quiet;
  ParseUsers(EncodeUsersFile(users), again, quiet, texts);
  FUZZ_CHECK(quiet.lines.empty() && again.UserCount == table.UserCount);
  for (int i = 0; i < table.UserCount; ++i) {
    FUZZ_CHECK(again.Users[i].name == table.Users[i].name);
    FUZZ_CHECK(again.Users[i].password == table.Users[i].password);
    FUZZ_CHECK(again.Users[i].level == table.Users[i].level);
  }

  // The first user's password logs in as the first user with that password.
  if (table.UserCount > 0 && !table.Users[0].password.empty()) {
    const UserLogin login = CheckUserLogin(table, true, table.Users[0].password);
    FUZZ_CHECK(login.required && login.matched && login.name == table.Users[0].name);
  }
  return 0;
}
