// orlund-cli: the command-line client of the Orlund ActiveX Server. The main
// only parses the command line and, for watch, turns SIGINT and SIGTERM into
// a readable pipe so the watch loop ends cleanly.

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <iostream>
#include <string>
#include <vector>

#include "tools/cli_args.h"
#include "tools/cli_commands.h"
#include "tools/cli_error.h"

namespace {

int g_interrupt_write_fd = -1;

void OnInterrupt(int) {
  const char byte = 1;
  [[maybe_unused]] const ssize_t n = write(g_interrupt_write_fd, &byte, 1);
}

// Returns the read end of a pipe that becomes readable on SIGINT or SIGTERM.
int InstallInterruptPipe() {
  int fds[2];
  if (pipe2(fds, O_CLOEXEC | O_NONBLOCK) != 0) return -1;
  g_interrupt_write_fd = fds[1];
  struct sigaction action {};
  action.sa_handler = OnInterrupt;
  sigemptyset(&action.sa_mask);
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGTERM, &action, nullptr);
  return fds[0];
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  orlund::CliOptions options;
  try {
    options = orlund::ParseCliArguments(args);
  } catch (const orlund::CliError& e) {
    const bool json = std::find(args.begin(), args.end(), "--json") != args.end();
    orlund::ReportError(std::cerr, json, e.what(), e.code());
    return e.code();
  }
  const bool watching = options.command == "watch" && !options.help && !options.version;
  const int interrupt_fd = watching ? InstallInterruptPipe() : -1;
  return orlund::RunCli(options, std::cout, std::cerr, interrupt_fd);
}
