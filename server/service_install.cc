#include "server/service_install.h"

#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <vector>

#include "base/file_utils.h"
#include "server/service_unit.h"

extern char** environ;

namespace orlund {

namespace {

// Runs systemctl with `arguments` and waits; true when it exits with 0.
bool RunSystemctl(std::vector<std::string> arguments) {
  arguments.insert(arguments.begin(), "systemctl");
  std::vector<char*> argv;
  for (std::string& argument : arguments) argv.push_back(argument.data());
  argv.push_back(nullptr);
  pid_t pid = 0;
  if (::posix_spawnp(&pid, "systemctl", nullptr, nullptr, argv.data(), environ) != 0) return false;
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0) {
    if (errno != EINTR) return false;
  }
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

}  // namespace

std::string UnitPath(const std::string& unit_directory) {
  std::string directory = unit_directory;
  if (directory.empty() || directory.back() != '/') directory.push_back('/');
  return directory + ServiceUnitFileName();
}

std::string SystemdUnitDirectory() {
  const char* value = std::getenv("ORLUND_SYSTEMD_DIR");
  if (value == nullptr || *value == '\0') return kSystemUnitDirectory;
  return value;
}

bool SystemdIsRunning() {
  struct stat st;
  return ::stat("/run/systemd/system", &st) == 0 && S_ISDIR(st.st_mode);
}

bool InstallServiceUnit(const ServiceUnitSettings& settings, const std::string& unit_directory,
                        bool use_systemctl) {
  std::error_code ignored;
  std::filesystem::create_directories(unit_directory, ignored);
  if (!WriteFileAtomically(UnitPath(unit_directory), ServiceUnitText(settings))) {
    return false;
  }
  if (!use_systemctl) return true;
  return RunSystemctl({"daemon-reload"}) && RunSystemctl({"enable", ServiceUnitFileName()});
}

bool UninstallServiceUnit(const std::string& unit_directory, bool use_systemctl) {
  std::string path = UnitPath(unit_directory);
  if (!FileExists(path)) return false;
  if (use_systemctl && !RunSystemctl({"disable", ServiceUnitFileName()})) return false;
  if (::unlink(path.c_str()) != 0) return false;
  if (use_systemctl) RunSystemctl({"daemon-reload"});
  return true;
}

}  // namespace orlund
