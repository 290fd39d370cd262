#pragma once
// Integration test harness: a scratch project directory, the real server
// executable started on it as a child process, and a blocking loopback
// client that reads and writes packets with time limits.

#include <arpa/inet.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <sstream>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace orlund::testing {

inline std::string BinDir() { return ORLUND_BIN_DIR "/"; }
inline std::string SourceDir() { return ORLUND_SOURCE_DIR "/"; }

// A fresh directory under /tmp, removed with everything in it at the end.
class ScratchDir {
 public:
  ScratchDir() {
    char templ[] = "/tmp/orlund_it_XXXXXX";
    char* made = mkdtemp(templ);
    if (made == nullptr) throw std::runtime_error("mkdtemp failed");
    path_ = std::string(made) + "/";
  }
  ~ScratchDir() { std::system(("rm -rf '" + path_ + "'").c_str()); }
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

inline void WriteFile(const std::string& path, const std::string& bytes) {
  std::string dir = path.substr(0, path.rfind('/'));
  std::system(("mkdir -p '" + dir + "'").c_str());
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << bytes;
}

inline std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

inline bool PathExists(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0;
}

// A port on 127.0.0.1 that was free a moment ago.
inline int FreePort() {
  int fd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  addr.sin_port = 0;
  bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
  socklen_t len = sizeof addr;
  getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len);
  int port = ntohs(addr.sin_port);
  close(fd);
  return port;
}

// Polls `done` every 20 ms until it holds or `limit` has passed.
template <typename Predicate>
bool WaitFor(Predicate done, std::chrono::milliseconds limit = std::chrono::milliseconds(5000)) {
  auto end = std::chrono::steady_clock::now() + limit;
  while (std::chrono::steady_clock::now() < end) {
    if (done()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return done();
}

struct Packet {
  int type = -1;
  std::string payload;
};

inline std::string Frame(int type, const std::string& payload) {
  std::string out(1, static_cast<char>(type));
  uint32_t n = static_cast<uint32_t>(payload.size());
  for (int shift = 24; shift >= 0; shift -= 8)
    out.push_back(static_cast<char>((n >> shift) & 0xFF));
  return out + payload;
}

// A blocking loopback client with time limits on every read.
class Client {
 public:
  explicit Client(int port) {
    fd_ = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = htons(static_cast<uint16_t>(port));
    connected_ = connect(fd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0;
  }
  ~Client() {
    if (fd_ >= 0) close(fd_);
  }
  Client(const Client&) = delete;
  Client& operator=(const Client&) = delete;

  bool connected() const { return connected_; }

  void SendRaw(const std::string& bytes) {
    size_t done = 0;
    while (done < bytes.size()) {
      ssize_t n = send(fd_, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
      if (n <= 0) return;
      done += static_cast<size_t>(n);
    }
  }
  void Send(int type, const std::string& payload = "") { SendRaw(Frame(type, payload)); }

  // The next packet, or nothing when none arrives within `limit` or the
  // server closed the connection.
  std::optional<Packet> Read(std::chrono::milliseconds limit = std::chrono::milliseconds(3000)) {
    auto end = std::chrono::steady_clock::now() + limit;
    for (;;) {
      if (buffer_.size() >= 5) {
        uint32_t n = 0;
        for (int i = 1; i <= 4; ++i) n = (n << 8) | static_cast<uint8_t>(buffer_[i]);
        if (buffer_.size() >= 5 + n) {
          Packet p{static_cast<uint8_t>(buffer_[0]), buffer_.substr(5, n)};
          buffer_.erase(0, 5 + n);
          return p;
        }
      }
      if (!Fill(end)) return std::nullopt;
    }
  }

  // The next packet that is not a keep-alive.
  std::optional<Packet> ReadSkippingKeepAlives(
      std::chrono::milliseconds limit = std::chrono::milliseconds(3000)) {
    auto end = std::chrono::steady_clock::now() + limit;
    for (;;) {
      auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
          end - std::chrono::steady_clock::now());
      if (left.count() <= 0) return std::nullopt;
      auto p = Read(left);
      if (!p || p->type != 0) return p;
    }
  }

  // Reads the four start packets (types 1, 2, 3, 7) and returns them.
  std::vector<Packet> ReadStartPackets() {
    std::vector<Packet> out;
    for (int i = 0; i < 4; ++i) {
      auto p = ReadSkippingKeepAlives();
      if (!p) break;
      out.push_back(*p);
    }
    return out;
  }

  // True when the server closed the connection within `limit`.
  bool ClosedByServer(std::chrono::milliseconds limit = std::chrono::milliseconds(3000)) {
    auto end = std::chrono::steady_clock::now() + limit;
    while (Fill(end)) {
    }
    return closed_;
  }

 private:
  bool Fill(std::chrono::steady_clock::time_point end) {
    if (closed_) return false;
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        end - std::chrono::steady_clock::now());
    if (left.count() <= 0) return false;
    pollfd p{fd_, POLLIN, 0};
    if (poll(&p, 1, static_cast<int>(left.count())) <= 0) return false;
    char chunk[65536];
    ssize_t n = recv(fd_, chunk, sizeof chunk, 0);
    if (n <= 0) {
      closed_ = true;
      return false;
    }
    buffer_.append(chunk, static_cast<size_t>(n));
    return true;
  }

  int fd_ = -1;
  bool connected_ = false;
  bool closed_ = false;
  std::string buffer_;
};

// The server executable running on a project directory. Its stdout and
// stderr go to files in the scratch directory so tests can read them.
class ServerProcess {
 public:
  ServerProcess(const std::string& project_dir, const std::string& home_dir,
                std::vector<std::string> extra_args = {})
      : home_(home_dir) {
    out_path_ = home_dir + "server.out";
    err_path_ = home_dir + "server.err";
    pid_ = fork();
    if (pid_ == 0) {
      int out = open(out_path_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
      int err = open(err_path_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
      dup2(out, 1);
      dup2(err, 2);
      setenv("ORLUND_REGISTRY_ROOT", (home_dir + "registry").c_str(), 1);
      setenv("XDG_CONFIG_HOME", (home_dir + "config").c_str(), 1);
      setenv("ORLUND_COMMAND_QUEUE", (home_dir + "queue").c_str(), 1);
      setenv("ORLUND_SYSTEMD_DIR", (home_dir + "systemd").c_str(), 1);
      std::string exe = BinDir() + "orlund-activex-server";
      std::vector<std::string> args{exe, "/PATH:" + project_dir};
      for (auto& a : extra_args) args.push_back(a);
      std::vector<char*> argv;
      for (auto& a : args) argv.push_back(a.data());
      argv.push_back(nullptr);
      execv(exe.c_str(), argv.data());
      _exit(127);
    }
  }
  ~ServerProcess() { Stop(SIGKILL); }
  ServerProcess(const ServerProcess&) = delete;
  ServerProcess& operator=(const ServerProcess&) = delete;

  // Waits until the server accepts connections on `port`.
  bool WaitListening(int port, std::chrono::milliseconds limit = std::chrono::milliseconds(10000)) {
    return WaitFor(
        [&] {
          if (!Running()) return false;
          int fd = socket(AF_INET, SOCK_STREAM, 0);
          sockaddr_in addr{};
          addr.sin_family = AF_INET;
          addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
          addr.sin_port = htons(static_cast<uint16_t>(port));
          bool ok = connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0;
          close(fd);
          return ok;
        },
        limit);
  }

  bool Running() {
    if (exited_) return false;
    int status = 0;
    if (waitpid(pid_, &status, WNOHANG) == pid_) {
      exited_ = true;
      status_ = status;
      return false;
    }
    return true;
  }

  void Signal(int sig) {
    if (!exited_) kill(pid_, sig);
  }

  // Sends `sig` and waits for the exit; returns the exit status as waitpid
  // reports it, or -1 when the process did not end within `limit`.
  int Stop(int sig = SIGTERM, std::chrono::milliseconds limit = std::chrono::milliseconds(10000)) {
    if (pid_ <= 0) return -1;
    if (!exited_) kill(pid_, sig);
    return WaitExit(limit);
  }

  int WaitExit(std::chrono::milliseconds limit = std::chrono::milliseconds(10000)) {
    WaitFor([&] { return !Running(); }, limit);
    if (!exited_) return -1;
    return status_;
  }

  pid_t pid() const { return pid_; }
  std::string Stdout() const { return ReadFile(out_path_); }
  std::string Stderr() const { return ReadFile(err_path_); }
  const std::string& home() const { return home_; }

 private:
  std::string home_;
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

  // Every server log file of the project, concatenated.
  std::string ServerLog() const { return ReadMatching(".Log"); }
  // The traffic files' bytes, concatenated.
  std::string Traffic() const { return ReadMatching("_ActiveX_Log.bin"); }

  ScratchDir home;
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

inline bool Contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

inline std::string Bytes(std::initializer_list<int> values) {
  std::string out;
  for (int v : values) out.push_back(static_cast<char>(v));
  return out;
}

// The commands queued for the alarm server in the spool directory `queue`,
// oldest first: the files are named by a rising sequence number.
inline std::vector<std::string> QueuedCommands(const std::string& queue) {
  std::vector<std::string> names;
  std::error_code ec;
  for (const auto& entry : std::filesystem::directory_iterator(queue, ec)) {
    std::string name = entry.path().filename().string();
    if (name.ends_with(".cmd")) names.push_back(name);
  }
  std::sort(names.begin(), names.end());
  std::vector<std::string> commands;
  for (const auto& name : names) commands.push_back(ReadFile(queue + "/" + name));
  return commands;
}

}  // namespace orlund::testing
