#pragma once
// What the loaders and savers of the data files need from their
// surroundings: where the project lies, where log lines go, the numbered
// texts those lines are built from, and the file system they go through.

#include <string>

#include "base/file_system.h"
#include "base/log_sink.h"
#include "base/text_source.h"

namespace orlund {

struct StoreContext {
  std::string project_dir;  // ProjectDirectory, ends with "/"
  LogSink& log;
  const TextSource& texts;
  FileSystem& fs = DefaultFileSystem();
};

}  // namespace orlund
