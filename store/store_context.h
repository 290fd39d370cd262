#pragma once
// What the loaders and savers of the data files need from their
// surroundings: where the project lies, where log lines go, the numbered
// texts those lines are built from, and the alarm server's command queue.

#include <string>

#include "alarmlink/alarm_link.h"
#include "store/log_sink.h"
#include "store/text_source.h"

namespace orlund {

struct StoreContext {
  std::string project_dir;  // ProjectDirectory, ends with "/"
  LogSink& log;
  const TextSource& texts;
  AlarmLink& alarm;
};

}  // namespace orlund
