#include "alarmlink/alarm_library.h"

#include <dlfcn.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <vector>

namespace orlund {

namespace {

constexpr char kLibraryName[] = "liborlund2.so";

void WarnOnStderr(std::string_view text) {
  std::fprintf(stderr, "%.*s\n", static_cast<int>(text.size()), text.data());
  std::fflush(stderr);
}

}  // namespace

std::string ExecutableDirectory() {
  std::string buffer(4096, '\0');
  ssize_t n = ::readlink("/proc/self/exe", buffer.data(), buffer.size());
  if (n <= 0 || static_cast<size_t>(n) >= buffer.size()) return "";
  buffer.resize(static_cast<size_t>(n));
  size_t slash = buffer.find_last_of('/');
  if (slash == std::string::npos) return "";
  return buffer.substr(0, slash + 1);
}

AlarmLibrary::AlarmLibrary() : warn_(WarnOnStderr) {}

AlarmLibrary::AlarmLibrary(std::string library_path, WarningSink warn)
    : explicit_path_(std::move(library_path)), warn_(warn ? std::move(warn) : WarnOnStderr) {}

AlarmLibrary::~AlarmLibrary() {
  if (handle_ != nullptr) ::dlclose(handle_);
}

bool AlarmLibrary::TryOpen(const std::string& path, std::string& error) {
  void* handle = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (handle == nullptr) {
    const char* reason = ::dlerror();
    error = reason != nullptr ? reason : path + ": cannot be loaded";
    return false;
  }
  auto command_entry = reinterpret_cast<CommandEntryFn>(::dlsym(handle, "SetCommandEntry"));
  auto sys_log_entry = reinterpret_cast<SysLogEntryFn>(::dlsym(handle, "SetSysLogEntry"));
  if (command_entry == nullptr || sys_log_entry == nullptr) {
    error = path + ": SetCommandEntry or SetSysLogEntry is missing";
    ::dlclose(handle);
    return false;
  }
  handle_ = handle;
  command_entry_ = command_entry;
  sys_log_entry_ = sys_log_entry;
  return true;
}

bool AlarmLibrary::Load() {
  std::call_once(tried_, [this] { LoadOnce(); });
  return handle_ != nullptr;
}

void AlarmLibrary::LoadOnce() {
  try {
    std::vector<std::string> candidates;
    if (!explicit_path_.empty()) {
      candidates.push_back(explicit_path_);
    } else if (const char* env = std::getenv("ORLUND_ALARM_LIBRARY"); env && *env) {
      candidates.push_back(env);
    } else {
      std::string dir = ExecutableDirectory();
      if (!dir.empty() && ::access((dir + kLibraryName).c_str(), F_OK) == 0) {
        candidates.push_back(dir + kLibraryName);
      }
      candidates.push_back(kLibraryName);
    }
    std::string errors;
    for (const std::string& path : candidates) {
      std::string error;
      if (TryOpen(path, error)) return;
      if (!errors.empty()) errors += "; ";
      errors += error;
    }
    Warn("Alarm server library not available, commands and log lines are lost: " + errors);
  } catch (...) {
    // Out of memory while building paths: the library stays unbound.
  }
}

void AlarmLibrary::Warn(const std::string& text) {
  try {
    warn_(text);
  } catch (...) {
  }
}

void AlarmLibrary::CallFailed(const char* entry_point, int32_t result) {
  if (warned_failed_call_.exchange(true)) return;
  try {
    Warn(std::string("Alarm server library: ") + entry_point + " failed with code " +
         std::to_string(result) + " (further failures are not reported)");
  } catch (...) {
  }
}

int32_t AlarmLibrary::SetCommandEntry(const std::string& command) {
  if (!Load()) return kAlarmLibraryMissing;
  int32_t result = command_entry_(command.c_str(), 0);
  if (result != kCommandQueued && result != kCommandQueueFull)
    CallFailed("SetCommandEntry", result);
  return result;
}

void AlarmLibrary::SetSysLogEntry(const std::string& path, const std::string& line) {
  if (!Load()) return;
  int32_t result = sys_log_entry_(path.c_str(), line.c_str());
  if (result != 0) CallFailed("SetSysLogEntry", result);
}

}  // namespace orlund
