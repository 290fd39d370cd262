// orlund-activex-server: the Orlund ActiveX Server.

#include <iostream>

#include "base/version.h"
#include "server/command_line.h"
#include "server/startup.h"

int main(int argc, char** argv) {
  orlund::CommandLine command_line = orlund::ParseCommandLine(argc, argv);
  const std::string program = "orlund-activex-server";
  if (!command_line.error.empty()) {
    std::cerr << program << ": " << command_line.error << "\n" << orlund::CommandLineUsage(program);
    return 2;
  }
  if (command_line.help) {
    std::cout << orlund::CommandLineUsage(program);
    return 0;
  }
  if (command_line.version) {
    std::cout << orlund::kProductName << " " << orlund::kProductVersion << "\n";
    return 0;
  }
  return orlund::RunServer(command_line);
}
