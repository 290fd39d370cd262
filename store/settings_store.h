#pragma once
// The registry and settings stores: a value lives in a file whose path is the
// store's root, the key path with "\" turned into "/", and the value name.
//
// Values are written exactly as given, without a line end of their own. Two
// ways of reading:
// - ReadSetting returns the file's bytes exactly. The per-user message store
//   uses it: a message may hold any byte, CR, LF, 254 and 255 included, and
//   may itself end with a line end.
// - ReadRegistryValue serves values an administrator writes by hand (the
//   project path, the service setting): one trailing line end (CR LF, LF or
//   CR) is not part of the value, and a file of "dword:" and eight hex digits
//   is a 32-bit number value read as signed decimal text.

#include <optional>
#include <string>
#include <string_view>

namespace orlund {

// The service's own settings: "1" when installed as a service, "0" when not.
inline constexpr char kServiceParametersKey[] =
    "SYSTEM\\CurrentControlSet\\Services\\OrlundActiveXServer\\Parameters";
inline constexpr char kRunAsServiceValue[] = "RunAsService";
// Where the alarm server keeps its project directory.
inline constexpr char kProjectPathKey[] = "SOFTWARE\\Kestrum\\Orlund Alarm Server\\Version 2";
inline constexpr char kProjectPathValue[] = "ProjectPath";
// The last text message sent, in the per-user store.
inline constexpr char kUserParametersKey[] = "Orlund Alarm Server\\Parameters";
inline constexpr char kLastMessageReceiversValue[] = "LastMessageReceivers";
inline constexpr char kLastMessageTextValue[] = "LastMessageText";

// The largest registry value ReadRegistryValue returns, its closing byte 0
// included; a longer one reads as the default.
inline constexpr size_t kRegistryValueCapacity = 1024;

// $ORLUND_REGISTRY_ROOT, or /etc/orlund/registry when it is unset or empty.
// Holds the local-machine values and the service settings.
std::string RegistryRoot();
// $XDG_CONFIG_HOME/orlund, or $HOME/.config/orlund (the account's home when
// HOME is unset). Holds the per-user settings.
std::string UserSettingsRoot();

// The file of a value, or nothing when the names cannot form a path inside
// `root`: an empty root or value name, "/" or byte 0 in a name, a key path
// component "." or "..". Empty key path components are skipped.
std::optional<std::string> SettingPath(std::string_view root, std::string_view key_path,
                                       std::string_view name);

// The text of a registry value from the file's bytes, as described above: a
// number value gives its signed decimal text, a "dword:" file of another
// shape empty text (a value of another type); a text value loses one
// trailing line end and then, when it is its last byte, a byte 0. Nothing
// when the text value (line end removed) is longer than 1024 bytes.
std::optional<std::string> DecodeRegistryValue(std::string_view bytes);

// The value `value_name` under `sub_key` of the store at `root_dir`, or
// `default_value` when the key, the value or a readable file is missing, or
// the value is too long.
std::string ReadRegistryValue(std::string_view value_name, std::string_view default_value,
                              std::string_view sub_key, std::string_view root_dir);

// The bytes of a value exactly, or `default_value` when it is missing.
std::string ReadSetting(std::string_view root, std::string_view key_path, std::string_view name,
                        std::string_view default_value);

// Stores `value` byte for byte, creating the key's directories, replacing the
// file atomically. False when the path is unusable or a step fails.
bool WriteSetting(std::string_view root, std::string_view key_path, std::string_view name,
                  std::string_view value);

}  // namespace orlund
