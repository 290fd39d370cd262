#include "store/users.h"

#include "base/bytes.h"
#include "base/errors.h"
#include "base/file_utils.h"
#include "base/text_numbers.h"

namespace orlund {

std::string ScrambleUserBody(std::string_view body) {
  std::string out(body);
  for (size_t k = 0; k < out.size(); ++k) out[k] = static_cast<char>(out[k] ^ (k & 0x3C));
  return out;
}

std::string EncodeUserBody(const UserRecord& user) {
  if (user.name.size() > 255 || user.password.size() > 255) {
    throw OverflowError("user name or password longer than 255 bytes");
  }
  if (user.level < 0) throw OverflowError("negative user level");
  ByteWriter body;
  body.Byte(static_cast<uint8_t>(user.name.size()));
  body.Raw(user.name);
  body.Byte(static_cast<uint8_t>(user.password.size()));
  body.Raw(user.password);
  body.Byte(static_cast<uint8_t>(user.level >> 8));
  body.Byte(static_cast<uint8_t>(user.level & 0xFF));
  return body.Take();
}

std::string EncodeUsersFile(std::span<const UserRecord> users) {
  ByteWriter file;
  file.Int16(1);
  file.Int16(static_cast<int32_t>(users.size()));
  for (const UserRecord& user : users) {
    std::string body = ScrambleUserBody(EncodeUserBody(user));
    file.Int32(static_cast<int64_t>(body.size()));
    file.Raw(body);
  }
  return file.Take();
}

namespace {

// The plain body of one entry, or nothing when it ends before its own
// lengths say or holds a level beyond 16 bits.
std::optional<UserRecord> ParseUserBody(std::string_view body, std::string& damage) {
  ByteReader reader(body);
  UserRecord user;
  try {
    user.name = reader.Raw(reader.Byte());
    user.password = reader.Raw(reader.Byte());
    uint8_t high = reader.Byte();
    uint8_t low = reader.Byte();
    if (high > 127) {
      damage = "level out of range";
      return std::nullopt;
    }
    user.level = static_cast<int16_t>(high * 256 + low);
  } catch (const TruncatedError&) {
    damage = "entry shorter than its name and password lengths";
    return std::nullopt;
  }
  return user;
}

}  // namespace

void ParseUsers(std::string_view bytes, UserTable& table, LogSink& log, const TextSource& texts) {
  table.UserCount = 0;
  // A file too short for its format reads as zeros, as reading past the end
  // always did: an empty file is format 0.
  std::string head(bytes.substr(0, 2));
  head.resize(2, '\0');
  int16_t format = ByteReader(head).Int16();
  if (format != 1) {
    log.ServerLog(texts.GetText(kTextFileFormatError) + " " + std::to_string(format) + " " +
                  texts.GetText(kTextUserFile));
    return;
  }
  ByteReader reader(bytes.substr(std::min<size_t>(2, bytes.size())));
  std::string damage;
  int16_t count = 0;
  if (reader.remaining() < 2) {
    damage = "user count missing";
  } else {
    count = reader.Int16();
    if (count < 0) damage = "user count " + std::to_string(count);
  }
  int16_t wanted = std::min<int16_t>(count, kUserCapacity);
  int16_t loaded = 0;
  for (int16_t n = 0; damage.empty() && n < wanted; ++n) {
    std::string entry_damage;
    if (reader.remaining() < 4) {
      entry_damage = "cut short";
    } else if (int32_t length = reader.Int32(); length < 0) {
      entry_damage = "negative length " + std::to_string(length);
    } else if (static_cast<size_t>(length) > reader.remaining()) {
      entry_damage = "length " + std::to_string(length) + " past the end of the file";
    } else if (auto user = ParseUserBody(ScrambleUserBody(reader.Raw(static_cast<size_t>(length))),
                                         entry_damage)) {
      table.Users[n] = std::move(*user);
      table.UserCount = ++loaded;
    }
    if (!entry_damage.empty()) {
      damage =
          "user " + std::to_string(n + 1) + " of " + std::to_string(count) + ": " + entry_damage;
    }
  }
  if (damage.empty() && count > kUserCapacity) {
    damage = "user count " + std::to_string(count) + " above " + std::to_string(kUserCapacity);
  }
  if (!damage.empty()) {
    log.ServerLog(texts.GetText(kTextFileFormatError) + " " + damage + ", " +
                  std::to_string(loaded) + " users loaded " + texts.GetText(kTextUserFile));
  }
}

void LoadUsers(const std::string& project_dir, UserTable& table, LogSink& log,
               const TextSource& texts) {
  table.UserCount = 0;
  auto bytes = ReadFileBytes(project_dir + kUsersFileName);
  if (!bytes) return;
  ParseUsers(*bytes, table, log, texts);
}

}  // namespace orlund
