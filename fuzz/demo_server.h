#pragma once
// A server state over a scratch copy of the demo project, for the fuzz
// targets and the seed generator that run requests in memory: the project
// is written and its tables loaded once; each run gets a copy of the tables,
// and the files requests write are put back afterwards.

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "base/file_utils.h"
#include "fuzz/fuzz_project.h"
#include "protocol/catalogue.h"
#include "protocol/messages.h"
#include "protocol/server_state.h"
#include "store/profiles.h"
#include "store/receiver_types.h"
#include "store/receivers.h"

namespace orlund::fuzz {

class DemoServer {
 public:
  DemoServer() {
    WriteDemoProject(project_);
    ini_ = ReadFileBytes(project_ + "Orlund_Server.ini").value_or("");
    calendar_ = ReadFileBytes(GlobalCalendarPath(project_)).value_or("");
    RecordingLog log;
    FixedTexts texts;
    const StoreContext context{project_, log, texts};
    LoadReceiverTypes(data_->receiver_types, context);
    LoadAllReceivers(data_->receivers, context);
    LoadAllProfiles(data_->profiles, context);
    for (int i = 0; i < data_->profiles.ProfileCount; ++i)
      period_arrays_.push_back(data_->profiles.ProfileSchedules[i]->ComposePeriodArray());
  }

  // Points a fresh state at the project and gives it the demo tables.
  void Prepare(ServerState& state) const {
    state.ProjectDirectory = project_;
    state.ApplicationDirectory = ShareDirectory();
    state.user_settings_root = scratch_.path() + "settings";
    const DataStore& from = *data_;
    DataStore& to = state.data;
    to.receiver_types.ReceiverTypeCount = from.receiver_types.ReceiverTypeCount;
    for (int i = 0; i < from.receiver_types.ReceiverTypeCount; ++i)
      to.receiver_types.ReceiverTypes[i] = from.receiver_types.ReceiverTypes[i];
    to.receivers.ReceiverCount = from.receivers.ReceiverCount;
    for (int i = 0; i < from.receivers.ReceiverCount; ++i)
      to.receivers.Receivers[i] = from.receivers.Receivers[i];
    to.profiles.ProfileCount = from.profiles.ProfileCount;
    for (int i = 0; i < from.profiles.ProfileCount; ++i) {
      to.profiles.Profiles[i] = from.profiles.Profiles[i];
      to.profiles.ProfileSchedules[i] = ScheduleFromPeriodArray(period_arrays_[i]);
    }
  }

  // Puts back the files the requests `state` served may have changed: the
  // INI file, the global calendar, the last message, the traffic file.
  void Restore(const ServerState& state) const {
    const auto& requests = state.metrics.requests;
    if (requests[NETWORK_TEXTMESSAGE_SUBMITMESSAGE] == 0 &&
        requests[NETWORK_DAYTYPENAMES_UPDATE] == 0 &&
        requests[NETWORK_GLOBAL_CALENDAR_UPDATE] == 0 && !state.Menu_File_Continous_Debug) {
      return;
    }
    std::error_code ec;
    std::filesystem::remove_all(scratch_.path() + "settings", ec);
    std::filesystem::remove_all(project_ + "LogFiles", ec);
    if (!WriteFileAtomically(project_ + "Orlund_Server.ini", ini_) ||
        !WriteFileAtomically(GlobalCalendarPath(project_), calendar_)) {
      Abort("cannot restore the scratch project");
    }
  }

  const std::string& project() const { return project_; }

 private:
  ScratchDirectory scratch_;
  std::string project_ = scratch_.path() + "project/";
  std::string ini_;
  std::string calendar_;
  std::unique_ptr<DataStore> data_ = std::make_unique<DataStore>();
  std::vector<std::string> period_arrays_;  // of the demo profiles
};

}  // namespace orlund::fuzz
