#include "store/settings_store.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>

#include "base/file_utils.h"

namespace orlund {
namespace {

std::string Environment(const char* name) {
  const char* value = std::getenv(name);
  return value ? value : "";
}

bool UsableName(std::string_view name) {
  return !name.empty() && name != "." && name != ".." &&
         name.find_first_of(std::string_view("/\0", 2)) == std::string_view::npos;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

std::string_view WithoutLineEnd(std::string_view bytes) {
  if (bytes.ends_with("\r\n")) {
    bytes.remove_suffix(2);
  } else if (bytes.ends_with('\n') || bytes.ends_with('\r')) {
    bytes.remove_suffix(1);
  }
  return bytes;
}

}  // namespace

std::string RegistryRoot() {
  std::string root = Environment("ORLUND_REGISTRY_ROOT");
  return root.empty() ? "/etc/orlund/registry" : root;
}

std::string UserSettingsRoot() {
  std::string config = Environment("XDG_CONFIG_HOME");
  if (config.empty() || config.front() != '/') {
    std::string home = Environment("HOME");
    if (home.empty()) {
      const passwd* account = getpwuid(getuid());
      home = account && account->pw_dir ? account->pw_dir : "/tmp";
    }
    config = home + "/.config";
  }
  return config + "/orlund";
}

std::optional<std::string> SettingPath(std::string_view root, std::string_view key_path,
                                       std::string_view name) {
  if (root.empty() || !UsableName(name)) return std::nullopt;
  std::string path(root);
  while (!key_path.empty()) {
    size_t cut = key_path.find('\\');
    std::string_view part = key_path.substr(0, cut);
    key_path.remove_prefix(cut == std::string_view::npos ? key_path.size() : cut + 1);
    if (part.empty()) continue;
    if (!UsableName(part)) return std::nullopt;
    path.append("/").append(part);
  }
  path.append("/").append(name);
  return path;
}

std::optional<std::string> DecodeRegistryValue(std::string_view bytes) {
  if (bytes.starts_with("dword:")) {
    std::string_view digits = WithoutLineEnd(bytes.substr(6));
    if (digits.size() != 8) return std::string();
    uint32_t value = 0;
    for (char c : digits) {
      int digit = HexDigit(c);
      if (digit < 0) return std::string();
      value = value << 4 | static_cast<uint32_t>(digit);
    }
    return std::to_string(static_cast<int32_t>(value));
  }
  std::string_view text = WithoutLineEnd(bytes);
  if (text.size() > kRegistryValueCapacity) return std::nullopt;
  if (text.ends_with('\0')) text.remove_suffix(1);
  return std::string(text);
}

std::string ReadRegistryValue(std::string_view value_name, std::string_view default_value,
                              std::string_view sub_key, std::string_view root_dir) {
  auto path = SettingPath(root_dir, sub_key, value_name);
  if (!path) return std::string(default_value);
  auto bytes = ReadFileBytes(*path);
  if (!bytes) return std::string(default_value);
  return DecodeRegistryValue(*bytes).value_or(std::string(default_value));
}

std::string ReadSetting(std::string_view root, std::string_view key_path, std::string_view name,
                        std::string_view default_value) {
  auto path = SettingPath(root, key_path, name);
  if (!path) return std::string(default_value);
  auto bytes = ReadFileBytes(*path);
  return bytes ? std::move(*bytes) : std::string(default_value);
}

bool WriteSetting(std::string_view root, std::string_view key_path, std::string_view name,
                  std::string_view value) {
  auto path = SettingPath(root, key_path, name);
  if (!path) return false;
  std::error_code error;
  std::filesystem::create_directories(DirectoryOf(*path), error);
  if (error) return false;
  return WriteFileAtomically(*path, value);
}

}  // namespace orlund
