#pragma once
// Writes the demo project directory: the readable files of examples/project
// are copied, and the binary data files (receivers, profiles with their
// schedules, users, the global calendar) are generated from the readable
// source examples/project.json by the server's own file writers.

#include <string>

namespace orlund {

// `examples_dir` holds project/ and project.json; `target_dir` is created
// when missing. Returns false with a message in `error` when the source
// cannot be read or a file cannot be written.
bool WriteExampleProject(const std::string& examples_dir, const std::string& target_dir,
                         std::string& error);

}  // namespace orlund
