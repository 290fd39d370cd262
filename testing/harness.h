#pragma once
// Integration test harness: a scratch project directory, the real server
// executable started on it as a child process, and a blocking loopback
// client (LoopbackPeer) that reads and writes packets with time limits.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "testing/loopback_peer.h"
#include "testing/test_temp_dir.h"

namespace orlund::testing {

inline std::string BinDir() { return ORLUND_BIN_DIR "/"; }
inline std::string SourceDir() { return ORLUND_SOURCE_DIR "/"; }

using Client = LoopbackPeer;

// Polls `done` every 20 ms until it holds or `limit` has passed.
template <typename Predicate>
bool WaitFor(Predicate done, milliseconds limit = milliseconds(5000)) {
  auto end = std::chrono::steady_clock::now() + limit;
  while (std::chrono::steady_clock::now() < end) {
    if (done()) return true;
    std::this_thread::sleep_for(milliseconds(20));
  }
  return done();
}

class ServerProcess {
 public:
  // `stdout_fd`, when given, is the server's stdout instead of server.out.
  ServerProcess(const std::string& project_dir, const std::string& home_dir,
                std::vector<std::string> extra_args = {}, int stdout_fd = -1) {
    out_path_ = home_dir + "server.out";
    err_path_ = home_dir + "server.err";
    pid_ = fork();
    if (pid_ == 0) {
      dup2(stdout_fd >= 0 ? stdout_fd : open(out_path_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644),
           1);
      dup2(open(err_path_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644), 2);
      setenv("ORLUND_REGISTRY_ROOT", (home_dir + "registry").c_str(), 1);
      setenv("XDG_CONFIG_HOME", (home_dir + "config").c_str(), 1);
      setenv("ORLUND_COMMAND_QUEUE", (home_dir + "queue").c_str(), 1);
      setenv("ORLUND_SYSTEMD_DIR", (home_dir + "systemd").c_str(), 1);
      // Not started by systemd, even when the tests are.
      unsetenv("INVOCATION_ID");
      unsetenv("NOTIFY_SOCKET");
      std::string exe = BinDir() + "orlund-activex-server";
      extra_args.insert(extra_args.begin(), {exe, "/PATH:" + project_dir});
      std::vector<char*> argv;
      for (auto& a : extra_args) argv.push_back(a.data());
      argv.push_back(nullptr);
      execv(exe.c_str(), argv.data());
      _exit(127);
    }
  }
  ~ServerProcess() { Stop(SIGKILL); }
  ServerProcess(const ServerProcess&) = delete;
  ServerProcess& operator=(const ServerProcess&) = delete;

  // False once the process has ended (or was never started: pid -1 must
  // never reach kill, where it means every process).
  bool Running() {
    if (!exited_) exited_ = pid_ < 0 || waitpid(pid_, &status_, WNOHANG) == pid_;
    return !exited_;
  }

  void Signal(int sig) {
    if (Running()) kill(pid_, sig);
  }

  // Sends `sig` and waits for the exit; returns the exit status as waitpid
  // reports it, or -1 when the process did not end within 10 s.
  int Stop(int sig = SIGTERM) {
    Signal(sig);
    return WaitExit();
  }

  int WaitExit() {
    WaitFor([&] { return !Running(); }, milliseconds(10000));
    return exited_ ? status_ : -1;
  }

  pid_t pid() const { return pid_; }
  std::string Stdout() const { return ReadFile(out_path_); }
  std::string Stderr() const { return ReadFile(err_path_); }

 private:
  std::string out_path_, err_path_;
  pid_t pid_ = -1;
  bool exited_ = false;
  int status_ = 0;
};

// A scratch project: the INI file names the language (whose file lies beside
// the executable) and a free port; `activex` adds lines to section ActiveX.
class Project {
 public:
  explicit Project(const std::string& activex = "", const std::string& language = "ENG")
      : dir(home.path() + "project/"), port(FreePort()) {
    ini = "[General]\nLanguage=" + language +
          "\n\n[ActiveX]\nActiveXServerPort=" + std::to_string(port) + "\n" + activex;
    WriteFile(dir + "Orlund_Server.ini", ini);
  }

  // Starts the server and waits for its caption line, printed once it
  // listens; a probe connection would count as a client. The old output is
  // removed first, so that a restart does not see the caption of the run before.
  std::unique_ptr<ServerProcess> Start(std::vector<std::string> args = {}) {
    std::remove((home.path() + "server.out").c_str());
    auto server = std::make_unique<ServerProcess>(dir, home.path(), std::move(args));
    bool up = WaitFor([&] {
      return server->Stdout().find("Orlund ActiveX Server - version 1.00.06\n") !=
                 std::string::npos ||
             !server->Running();
    });
    EXPECT_TRUE(up && server->Running()) << server->Stderr();
    return server;
  }

  // The commands queued for the alarm server, oldest first: the spool's files
  // are named by a rising sequence number.
  std::vector<std::string> Commands() const {
    std::vector<std::string> commands;
    for (const std::string& name : home.List("queue")) {
      if (name.ends_with(".cmd")) commands.push_back(home.Get("queue/" + name));
    }
    return commands;
  }
  // Every server log file of the project, concatenated.
  std::string ServerLog() const { return ReadMatching(".Log"); }
  // The traffic files' bytes, concatenated.
  std::string Traffic() const { return ReadMatching("_ActiveX_Log.bin"); }

  TestTempDir home;
  std::string dir;
  int port;
  std::string ini;

 private:
  std::string ReadMatching(const std::string& suffix) const {
    std::string all;
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(dir + "LogFiles", ec)) {
      if (entry.path().filename().string().ends_with(suffix)) all += ReadFile(entry.path());
    }
    return all;
  }
};

struct CliResult {
  int status = -1;
  std::string out;
  std::string err;
};

// Runs orlund-cli against `port` to its end; its output passes through files
// in `scratch`. Arguments are quoted for the shell and must not hold "'";
// `env` ("NAME=value ...") goes in front of the command.
inline CliResult RunCli(int port, const std::vector<std::string>& args, const std::string& scratch,
                        const std::string& env = "") {
  std::string command = env + " " + BinDir() + "orlund-cli --port " + std::to_string(port);
  for (const std::string& arg : args) command += " '" + arg + "'";
  int status =
      std::system((command + " >'" + scratch + "cli.out' 2>'" + scratch + "cli.err'").c_str());
  return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, ReadFile(scratch + "cli.out"),
          ReadFile(scratch + "cli.err")};
}

inline bool Contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

inline std::string Bytes(std::initializer_list<int> values) {
  std::string out;
  for (int v : values) out.push_back(static_cast<char>(v));
  return out;
}

}  // namespace orlund::testing
