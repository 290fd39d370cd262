// orlund-cli against a hostile server: any bytes a server sends, whatever
// the subcommand, give one of the client's exit statuses and never a crash;
// the JSON library never fails on what the server sent, and a successful
// subcommand with --json writes one valid JSON document.
//
// Input: one byte picking the subcommand, one byte of options (bit 0 --json,
// bit 1 --password, bit 2 --area, bits 3-7 the month of render-calendar),
// then the bytes the server sends. The client reads them from an in-memory
// socket that the server end has stopped writing to, so every wait ends at
// once.

#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <sstream>
#include <string>
#include <vector>

#include "base/file_utils.h"
#include "fuzz/cli_subcommands.h"
#include "fuzz/fuzz_check.h"
#include "fuzz/fuzz_project.h"
#include "tools/cli_commands.h"
#include "tools/cli_error.h"
#include "tools/cli_format.h"
#include "tools/cli_profile_json.h"

using namespace orlund;

namespace {

// Input files of import-profile and set-calendar, written once.
struct Files {
  fuzz::ScratchDirectory scratch;
  std::string profile = scratch.path() + "profile.json";
  std::string calendar = scratch.path() + "calendar.txt";

  Files() {
    ProfileRecord record;
    record.Name = "Imported";
    cTimeSchedule schedule;
    schedule.m_UseCalendar = -1;
    schedule.AppendPeriod(0, 420, 960);
    schedule.SetActive(7, -1);
    schedule.AppendPeriod(7, 0, 1440);
    if (!WriteFileAtomically(profile,
                             PrettyJson(ProfileToJson(record, schedule, DayTypeNames{}))) ||
        !WriteFileAtomically(calendar, fuzz::kCliCalendarFile)) {
      fuzz::Abort("cannot write the input files");
    }
  }
};

// The server's bytes, queued whole for the client before it starts; the
// server end then stops writing, so the client meets the end of the stream
// instead of waiting. False when they do not fit the socket's buffer.
bool Serve(int server_fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t n = send(server_fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
    if (n <= 0) return false;
    bytes.remove_prefix(static_cast<size_t>(n));
  }
  return shutdown(server_fd, SHUT_WR) == 0;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const Files files;
  static const std::vector<fuzz::CliSubcommand> subcommands =
      fuzz::CliSubcommands(files.profile, files.calendar);

  fuzz::InputReader in(fuzz::Bytes(data, size));
  const fuzz::CliSubcommand& subcommand = subcommands[in.Byte() % subcommands.size()];
  const uint8_t flags = in.Byte();
  CliOptions options;
  options.command = subcommand.name;
  options.arguments = subcommand.arguments;
  for (const auto& [name, value] : subcommand.values) options.values[name].push_back(value);
  options.json = (flags & 1) != 0;
  if (flags & 2) options.password = "admin";
  if (flags & 4) options.area = "Control room";
  if (options.command == "render-calendar") {
    const int month = flags >> 3;  // 0..31: January 2026 to August 2028
    options.values["month"].push_back(std::to_string(2026 + month / 12) + "-" +
                                      (month % 12 < 9 ? "0" : "") + std::to_string(month % 12 + 1));
  }
  // Nothing is ever waited for but room to send, which the client's many
  // answers to keep-alives may fill.
  options.timeout = std::chrono::milliseconds(20);

  int fds[2];
  if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0, fds) != 0)
    fuzz::Abort("socketpair failed");
  const int room = 4 << 20;
  setsockopt(fds[0], SOL_SOCKET, SO_SNDBUF, &room, sizeof room);
  setsockopt(fds[1], SOL_SOCKET, SO_SNDBUF, &room, sizeof room);
  if (!Serve(fds[1], in.Rest())) {
    close(fds[0]);
    close(fds[1]);
    return -1;  // not kept in the corpus
  }

  std::ostringstream out, err;
  const int status = RunCli(options, out, err, -1, fds[0]);
  close(fds[0]);
  close(fds[1]);

  FUZZ_CHECK(status >= kExitOk && status <= kExitHighest);
  FUZZ_CHECK(err.str().find("[json.exception") == std::string::npos);
  if (status == kExitOk && options.json && !options.command.starts_with("render-")) {
    FUZZ_CHECK(Json::accept(out.str()));
  }
  return 0;
}
