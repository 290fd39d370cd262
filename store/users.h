#pragma once
// The users who may log in from a client, read from "Orlund_Users.dat" in the
// project directory. This server only reads the file.
//
// File: a 16-bit format (1), a 16-bit count, then per user a 32-bit length L
// and L bytes of scrambled record body; integers little-endian. Plain body:
// name length (1 byte), name, password length (1 byte), password, level high
// byte (0..127), level low byte. Byte k of a body is stored XOR (k AND 0x3C).

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "base/log_sink.h"
#include "store/language_texts.h"

namespace orlund {

inline constexpr int kUserCapacity = 102;
inline constexpr char kUsersFileName[] = "Orlund_Users.dat";

struct UserRecord {
  std::string name;
  std::string password;
  int16_t level = 0;
};

// Only Users[0] to Users[UserCount - 1] are in use.
struct UserTable {
  std::array<UserRecord, kUserCapacity> Users;
  int16_t UserCount = 0;
};

// Scrambles a plain record body, or unscrambles a scrambled one.
std::string ScrambleUserBody(std::string_view body);

// The plain record body of `user`. Throws OverflowError when the name or the
// password is longer than 255 bytes or the level is negative.
std::string EncodeUserBody(const UserRecord& user);
// A whole user file (format 1) holding `users`, bodies scrambled.
std::string EncodeUsersFile(std::span<const UserRecord> users);

// Replaces the table's users with those of a user file's bytes. A format
// other than 1 gives no users and the log line text 803, the format, text
// 845. A damaged file (count negative or above 102, a length field cut
// short, negative or past the end of the file, a body shorter than its own
// length bytes, a level high byte above 127) gives the users read completely
// before the damage and one log line: text 803, what is damaged, text 845.
// Nothing is written outside Users, and a damaged entry is not half stored.
void ParseUsers(std::string_view bytes, UserTable& table, LogSink& log, const TextSource& texts);

// ParseUsers of project_dir + "Orlund_Users.dat"; a missing (or unreadable)
// file gives no users and no log line.
void LoadUsers(const std::string& project_dir, UserTable& table, LogSink& log,
               const TextSource& texts);

}  // namespace orlund
