#pragma once
// The server's binding to the alarm server's library (liborlund2.so). The
// library is loaded at the first call, not at construction. When it cannot be
// loaded, or a call reports failure, the call is lost and one warning is
// written (once for loading, once for failed calls); a command's caller learns
// the result, a full spool included, and reports it itself. Calls may come
// from the event thread and the save writer at once.

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>

#include "alarmlink/alarm_link.h"

namespace orlund {

class AlarmLibrary : public AlarmLink {
 public:
  using WarningSink = std::function<void(std::string_view)>;

  // Looks for the library in this order: $ORLUND_ALARM_LIBRARY when set (and
  // nowhere else then), "liborlund2.so" beside the running executable, the
  // plain name through the system search path.
  AlarmLibrary();
  // Loads exactly `library_path`. Warnings go to `warn` (default: stderr).
  explicit AlarmLibrary(std::string library_path, WarningSink warn = nullptr);
  ~AlarmLibrary() override;
  AlarmLibrary(const AlarmLibrary&) = delete;
  AlarmLibrary& operator=(const AlarmLibrary&) = delete;

  // Commands and lines are passed as C strings: a byte 0 ends them.
  int32_t SetCommandEntry(const std::string& command) override;
  void SetSysLogEntry(const std::string& path, const std::string& line) override;

  // Loads the library if that was not tried yet; true when both entry points
  // are bound.
  bool Load();

 private:
  using CommandEntryFn = int32_t (*)(const char*, int32_t);
  using SysLogEntryFn = int32_t (*)(const char*, const char*);

  void LoadOnce();
  bool TryOpen(const std::string& path, std::string& error);
  void Warn(const std::string& text);
  void CallFailed(const char* entry_point, int32_t result);

  std::string explicit_path_;
  WarningSink warn_;
  std::once_flag tried_;
  std::atomic<bool> warned_failed_call_ = false;
  void* handle_ = nullptr;
  CommandEntryFn command_entry_ = nullptr;
  SysLogEntryFn sys_log_entry_ = nullptr;
};

// The directory of the running executable with a trailing "/", or "" when
// it cannot be found.
std::string ExecutableDirectory();

}  // namespace orlund
