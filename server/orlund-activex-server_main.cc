// orlund-activex-server: the Orlund ActiveX Server.

#include <malloc.h>
#include <stdio.h>
#include <unistd.h>

#include <iostream>

#include "base/version.h"
#include "server/command_line.h"
#include "server/startup.h"

int main(int argc, char** argv) {
  // Buffers of a quarter MiB and more (large answers, a client's backlog)
  // get pages of their own, which go back to the system when they are freed.
  // Left to itself the allocator raises this bound after such a buffer is
  // freed and then serves the next from the heap, where the pages stay with
  // the process after a burst of hostile clients.
  ::mallopt(M_MMAP_THRESHOLD, 256 * 1024);
  // Into a file or a pipe the packet list goes in large writes, flushed
  // together a moment after the first line; a terminal keeps its lines.
  static char stdout_buffer[64 * 1024];
  if (::isatty(STDOUT_FILENO) == 0) ::setvbuf(stdout, stdout_buffer, _IOFBF, sizeof stdout_buffer);
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
