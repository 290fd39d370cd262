// orlund-bench: a closed-loop load generator that measures the server against
// the fastest request-answer server this machine can run: a one-thread echo
// server in a process of its own, as the server has, with the same framing,
// answering every request with the server's own answer bytes. Short rounds
// alternate between the two; the table shows the median over the rounds of
// rate and answer times of both, and their ratios. `orlund-bench --help` lists the options.
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <CLI/CLI.hpp>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "protocol/catalogue.h"
#include "protocol/framing.h"
#include "protocol/messages.h"
#include "store/settings_store.h"
#include "tools/echo_server.h"
#include "tools/example_project.h"

namespace {

using orlund::CutPackets;
using orlund::EchoServer;
using Clock = std::chrono::steady_clock;
namespace fs = std::filesystem;

pid_t started_server = -1;

[[noreturn]] void Fail(const std::string& what) {
  std::fprintf(stderr, "orlund-bench: %s\n", what.c_str());
  if (started_server > 0) ::kill(started_server, SIGKILL);
  std::exit(1);
}

double Micros(Clock::duration d) { return std::chrono::duration<double, std::micro>(d).count(); }

int Connect(int port) {
  const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = htons(static_cast<uint16_t>(port));
  if (fd < 0 || ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
    Fail("cannot connect to port " + std::to_string(port));
  }
  int one = 1;
  ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
  return fd;
}

void SendAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t n = ::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) Fail("a connection was closed while sending");
    bytes.remove_prefix(static_cast<size_t>(n));
  }
}

// ---------------------------------------------------------------------------
// The server under test, started on a scratch copy of the example project.

class ServerUnderTest {
 public:
  // list: "none" runs it as a service with stdout to /dev/null; "file" shows
  // the packet list on stdout redirected to a file; "pipe" to a pipe this
  // process drains.
  ServerUnderTest(const std::string& bin_dir, const std::string& list) {
    scratch_ = fs::temp_directory_path() / ("orlund-bench-" + std::to_string(::getpid()));
    fs::remove_all(scratch_);
    const fs::path project = scratch_ / "project";
    std::string error;
    if (!orlund::WriteExampleProject(bin_dir + "/../../examples", project.string(), error)) {
      Fail("cannot write the example project: " + error);
    }
    port_ = FreePort();
    SetIniValue(project / "Orlund_Server.ini", "ActiveXServerPort", std::to_string(port_));
    SetIniValue(project / "Orlund_Server.ini", "ActiveXConsolePort", "0");
    const std::string registry = (scratch_ / "registry").string();
    orlund::WriteSetting(registry, orlund::kServiceParametersKey, orlund::kRunAsServiceValue,
                         list == "none" ? "1" : "0");
    int pipe_fds[2] = {-1, -1};
    if (list == "pipe" && ::pipe2(pipe_fds, O_CLOEXEC) != 0) Fail("no pipe");
    pid_ = ::fork();
    if (pid_ == 0) {
      int out = -1;
      if (list == "pipe") {
        out = pipe_fds[1];
      } else {
        const std::string path = list == "file" ? (scratch_ / "stdout.txt").string() : "/dev/null";
        out = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
      }
      ::dup2(out, 1);
      ::setenv("ORLUND_REGISTRY_ROOT", registry.c_str(), 1);
      ::setenv("XDG_CONFIG_HOME", (scratch_ / "config").c_str(), 1);
      // A service is one systemd started: without its mark, the server
      // would still echo the packet list, into /dev/null.
      if (list == "none") ::setenv("INVOCATION_ID", "0123456789abcdef0123456789abcdef", 1);
      const std::string exe = bin_dir + "/orlund-activex-server";
      const std::string path_arg = "/PATH:" + project.string();
      ::execl(exe.c_str(), exe.c_str(), path_arg.c_str(), static_cast<char*>(nullptr));
      _exit(127);
    }
    started_server = pid_;
    if (list == "pipe") {
      ::close(pipe_fds[1]);
      drain_ = std::thread([fd = pipe_fds[0]] {
        char chunk[65536];
        while (::read(fd, chunk, sizeof chunk) > 0) {
        }
        ::close(fd);
      });
    }
    // Waits until it accepts connections.
    for (int i = 0; i < 200; ++i) {
      const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
      sockaddr_in address{};
      address.sin_family = AF_INET;
      address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
      address.sin_port = htons(static_cast<uint16_t>(port_));
      const bool up = ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
      ::close(fd);
      if (up) return;
      std::this_thread::sleep_for(std::chrono::milliseconds(25));
    }
    Fail("the server did not start");
  }
  ~ServerUnderTest() {
    ::kill(pid_, SIGTERM);
    ::waitpid(pid_, nullptr, 0);
    if (drain_.joinable()) drain_.join();
    std::error_code ignored;
    fs::remove_all(scratch_, ignored);
  }
  int port() const { return port_; }
  pid_t pid() const { return pid_; }

 private:
  static int FreePort() {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
    socklen_t size = sizeof address;
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size);
    ::close(fd);
    return ntohs(address.sin_port);
  }
  static void SetIniValue(const fs::path& file, const std::string& key, const std::string& value) {
    std::ifstream in(file, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    std::string lines = text.str();
    const size_t at = lines.find("\n" + key + "=");
    if (at == std::string::npos) Fail("no " + key + " in the example project");
    const size_t end = lines.find_first_of("\r\n", at + 1);
    lines.replace(at + 1, end - at - 1, key + "=" + value);
    std::ofstream(file, std::ios::binary | std::ios::trunc) << lines;
  }

  fs::path scratch_;
  int port_ = 0;
  pid_t pid_ = -1;
  std::thread drain_;
};

long ResidentKiB(pid_t pid) {
  std::ifstream status("/proc/" + std::to_string(pid) + "/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("VmRSS:", 0) == 0) return std::atol(line.c_str() + 6);
  }
  return -1;
}

// ---------------------------------------------------------------------------
// The load: clients that each keep `depth` requests outstanding.

struct Client {
  int fd = -1;
  std::string buffer;
  size_t offset = 0;
  std::vector<Clock::time_point> sent;  // of the requests outstanding, oldest first
  size_t first = 0;
};

struct Round {
  double rate = 0;  // answers (broadcast: deliveries to all) per second
  double p50 = 0, p99 = 0, p999 = 0;
};

class Load {
 public:
  Load(int port, int clients, int depth, std::string request, int answer_type, bool broadcast)
      : depth_(depth),
        request_(std::move(request)),
        answer_type_(answer_type),
        broadcast_(broadcast) {
    for (int i = 0; i < clients; ++i) {
      Client& client = clients_.emplace_back();
      client.fd = Connect(port);
    }
    // Every receiver must be admitted before the first update goes out.
    if (broadcast_) std::this_thread::sleep_for(std::chrono::milliseconds(300));
  }
  ~Load() {
    for (Client& client : clients_) ::close(client.fd);
  }

  Round Run(Clock::duration length) {
    latencies_.clear();
    const auto start = Clock::now();
    const auto end = start + length;
    if (broadcast_) {
      SendBroadcast();
    } else {
      for (Client& client : clients_) {
        for (int i = 0; i < depth_; ++i) Send(client);
      }
    }
    std::vector<pollfd> polls;
    for (Client& client : clients_) polls.push_back({client.fd, POLLIN, 0});
    std::vector<char> chunk(1 << 20);
    bool stopping = false;
    while (Outstanding() > 0) {
      if (!stopping && Clock::now() >= end) stopping = true;
      if (::poll(polls.data(), polls.size(), 5000) <= 0) {
        Fail("no answer for 5 s (" + std::to_string(Outstanding()) + " outstanding)");
      }
      for (size_t i = 0; i < clients_.size(); ++i) {
        if ((polls[i].revents & (POLLIN | POLLHUP | POLLERR)) == 0) continue;
        Client& client = clients_[i];
        const ssize_t n = ::recv(client.fd, chunk.data(), chunk.size(), 0);
        if (n <= 0) Fail("a connection was closed");
        client.buffer.append(chunk.data(), static_cast<size_t>(n));
        client.offset = CutPackets(client.buffer, client.offset, [&](int type, std::string_view) {
          if (type == answer_type_) Answered(client, stopping);
          // Answered as a client does: the server drops clients silent for
          // twice its keep-alive interval, as the broadcast's receivers are.
          if (type == orlund::NETWORK_COMMON_KEEPALIVE) SendAll(client.fd, keep_alive_);
        });
        if (client.offset == client.buffer.size()) {
          client.buffer.clear();
          client.offset = 0;
        }
      }
    }
    Round round;
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    round.rate = static_cast<double>(latencies_.size()) / seconds;
    std::sort(latencies_.begin(), latencies_.end());
    auto at = [&](double p) {
      if (latencies_.empty()) return 0.0;
      return latencies_[std::min(latencies_.size() - 1,
                                 static_cast<size_t>(p * static_cast<double>(latencies_.size())))];
    };
    round.p50 = at(0.5);
    round.p99 = at(0.99);
    round.p999 = at(0.999);
    return round;
  }

 private:
  void Send(Client& client) {
    client.sent.push_back(Clock::now());
    SendAll(client.fd, request_);
  }
  void SendBroadcast() {
    broadcast_sent_ = Clock::now();
    broadcast_waiting_ = clients_.size();
    SendAll(clients_[0].fd, request_);
  }
  size_t Outstanding() const {
    if (broadcast_) return broadcast_waiting_;
    size_t n = 0;
    for (const Client& client : clients_) n += client.sent.size() - client.first;
    return n;
  }
  void Answered(Client& client, bool stopping) {
    const auto now = Clock::now();
    if (broadcast_) {
      if (--broadcast_waiting_ > 0) return;
      latencies_.push_back(Micros(now - broadcast_sent_));
      if (!stopping) SendBroadcast();
      return;
    }
    latencies_.push_back(Micros(now - client.sent[client.first++]));
    if (client.first == client.sent.size()) {
      client.sent.clear();
      client.first = 0;
    }
    if (!stopping) Send(client);
  }

  std::vector<Client> clients_;
  const std::string keep_alive_ = orlund::EncodePacket(orlund::NETWORK_COMMON_KEEPALIVE, "");
  int depth_;
  std::string request_;
  int answer_type_;
  bool broadcast_;
  Clock::time_point broadcast_sent_;
  size_t broadcast_waiting_ = 0;
  std::vector<double> latencies_;
};

// Hostile clients against the started server, with its resident memory
// before, at the peak and 10 s after they left: 99 clients that never read
// while one client sends receiver updates of the largest size and each of
// the 99 asks for the receivers after every update; then 100 clients that
// each send all but the last byte of a packet of the largest size.
void HostileMemory(int port, pid_t pid, double seconds) {
  const long idle = ResidentKiB(pid);
  long peak = idle;
  auto sample = [&] { peak = std::max(peak, ResidentKiB(pid)); };
  auto quiet_send = [](int fd, std::string_view bytes) {
    (void)!::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
  };
  std::vector<int> stalled;
  for (int i = 0; i < 99; ++i) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    int small = 4096;
    ::setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &small, sizeof small);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(static_cast<uint16_t>(port));
    if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
      Fail("cannot connect");
    }
    stalled.push_back(fd);
  }
  const int sender = Connect(port);
  orlund::ReceiverEntry entry;
  entry.Name = "orlund-bench hostile";
  entry.ReceiverText.assign(32767, 't');
  for (std::string& setting : entry.Settings) setting.assign(32767, 's');
  const std::string update =
      orlund::EncodePacket(orlund::NETWORK_RECEIVER_UPDATE, orlund::Encode(entry));
  const std::string ask = orlund::EncodePacket(orlund::NETWORK_COMMON_RECEIVERS, "");
  std::vector<char> chunk(1 << 20);
  const auto end = Clock::now() + std::chrono::duration_cast<Clock::duration>(
                                      std::chrono::duration<double>(seconds));
  while (Clock::now() < end) {
    SendAll(sender, update);
    for (int fd : stalled) quiet_send(fd, ask);
    while (::recv(sender, chunk.data(), chunk.size(), MSG_DONTWAIT) > 0) {
    }
    sample();
  }
  for (int fd : stalled) ::close(fd);
  ::close(sender);
  std::this_thread::sleep_for(std::chrono::milliseconds(2500));  // the sweep
  std::vector<int> partial;
  std::string packet = orlund::EncodePacket(orlund::NETWORK_RECEIVER_UPDATE,
                                            std::string(orlund::kMaxPacketPayload, 'p'));
  packet.pop_back();
  for (int i = 0; i < 100; ++i) {
    partial.push_back(Connect(port));
    quiet_send(partial.back(), packet);
    sample();
  }
  for (int i = 0; i < 20; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    sample();
  }
  for (int fd : partial) ::close(fd);
  std::this_thread::sleep_for(std::chrono::seconds(10));
  std::printf(
      "\nhostile clients: resident idle %ld KiB, peak %ld KiB, 10 s after they left %ld KiB\n",
      idle, peak, ResidentKiB(pid));
}

// The server's answer to one request, framed, as the baseline repeats it.
std::string FetchAnswer(int port, int type) {
  const int fd = Connect(port);
  SendAll(fd, orlund::EncodePacket(type, ""));
  std::string buffer;
  std::string answer;
  char chunk[65536];
  while (answer.empty()) {
    pollfd poll_fd{fd, POLLIN, 0};
    if (::poll(&poll_fd, 1, 5000) <= 0) Fail("no answer to type " + std::to_string(type));
    const ssize_t n = ::recv(fd, chunk, sizeof chunk, 0);
    if (n <= 0) Fail("the server closed the connection");
    buffer.append(chunk, static_cast<size_t>(n));
    CutPackets(buffer, 0, [&](int got, std::string_view packet) {
      if (got == type && answer.empty()) answer = packet;
    });
  }
  ::close(fd);
  return answer;
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

struct Summary {
  double rate, p50, p99, p999;
};

Summary MedianOf(const std::vector<Round>& rounds) {
  auto pick = [&](double Round::*field) {
    std::vector<double> values;
    for (const Round& r : rounds) values.push_back(r.*field);
    return Median(values);
  };
  return {pick(&Round::rate), pick(&Round::p50), pick(&Round::p99), pick(&Round::p999)};
}

}  // namespace

int main(int argc, char** argv) {
  CLI::App app{
      "Measures the server's request rate and answer times against a one-thread echo server with "
      "the same framing and answer bytes, run in the same invocation (median of alternating "
      "rounds)."};
  std::vector<int> client_counts{1, 50};
  std::vector<int> types{4};
  int depth = 1;
  double seconds = 1.0;
  int rounds = 5;
  int port = 0;
  int broadcast = 0;
  int idle = 0;
  std::string list = "none";
  double hostile = 0;
  app.add_option("--clients", client_counts, "client counts, each measured in turn")
      ->delimiter(',');
  app.add_option("--type", types, "request types (4, 5, 8, 160, 180), each measured in turn")
      ->delimiter(',');
  app.add_option("--depth", depth, "requests each client keeps outstanding")
      ->check(CLI::Range(1, 64));
  app.add_option("--seconds", seconds, "length of one round")->check(CLI::Range(0.1, 4.0));
  app.add_option("--rounds", rounds, "rounds against each (the median counts)")
      ->check(CLI::Range(1, 99));
  app.add_option("--port", port, "measure a running server on this port instead of starting one");
  app.add_option("--broadcast", broadcast,
                 "instead of requests: one client sends receiver updates (type 100) that N other "
                 "clients receive; times from the send to the last receipt")
      ->check(CLI::Range(1, 99));
  app.add_option("--list", list,
                 "the started server's packet list: none (a service, stdout to /dev/null), file "
                 "(stdout to a file) or pipe (stdout to a pipe read by this program)")
      ->check(CLI::IsMember({"none", "file", "pipe"}));
  app.add_option("--idle", idle,
                 "afterwards, the resident memory that many idle clients add to the started "
                 "server")
      ->check(CLI::Range(1, 100));
  app.add_option("--hostile", hostile,
                 "instead of the load: this many seconds of 99 clients that never read while "
                 "receiver updates of the largest size go out, then 100 half-sent packets of the "
                 "largest size; prints the started server's resident memory")
      ->check(CLI::Range(1.0, 60.0));
  CLI11_PARSE(app, argc, argv);
  ::signal(SIGPIPE, SIG_IGN);

  const std::string bin_dir = fs::canonical("/proc/self/exe").parent_path().string();
  std::unique_ptr<ServerUnderTest> server;
  if (port == 0) {
    server = std::make_unique<ServerUnderTest>(bin_dir, list);
    port = server->port();
  }
  if (hostile > 0) {
    if (!server) Fail("--hostile needs a server started by orlund-bench");
    HostileMemory(port, server->pid(), hostile);
    return 0;
  }
  const auto round_length =
      std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(seconds));

  std::printf(
      "| request | clients | depth | rate | echo rate | rate ratio | p50 us | p99 us | "
      "p99.9 us | echo p50 / p99 / p99.9 us | p99 ratio |\n");
  std::printf("|---|---|---|---|---|---|---|---|---|---|---|\n");
  auto measure = [&](const std::string& name, int clients, std::string request, int answer_type,
                     const std::string& echo_answer, bool fan_out) {
    std::unique_ptr<EchoServer> echo_server;
    try {
      echo_server = std::make_unique<EchoServer>(echo_answer, fan_out);
    } catch (const std::exception& e) {
      Fail(e.what());
    }
    const EchoServer& echo = *echo_server;
    Load on_server(port, clients, depth, request, answer_type, fan_out);
    Load on_echo(echo.port(), clients, depth, request, answer_type, fan_out);
    // A short unmeasured round each first: connections, caches, start packets.
    on_server.Run(round_length / 4);
    on_echo.Run(round_length / 4);
    std::vector<Round> server_rounds;
    std::vector<Round> echo_rounds;
    for (int r = 0; r < rounds; ++r) {
      server_rounds.push_back(on_server.Run(round_length));
      echo_rounds.push_back(on_echo.Run(round_length));
    }
    const Summary s = MedianOf(server_rounds);
    const Summary e = MedianOf(echo_rounds);
    std::printf(
        "| %s | %d | %d | %.0f/s | %.0f/s | %.2fx | %.0f | %.0f | %.0f | %.0f / %.0f / %.0f "
        "| %.2fx |\n",
        name.c_str(), clients, fan_out ? 1 : depth, s.rate, e.rate, s.rate / e.rate, s.p50, s.p99,
        s.p999, e.p50, e.p99, e.p999, s.p99 / e.p99);
    std::fflush(stdout);
  };

  if (broadcast > 0) {
    orlund::ReceiverEntry entry;
    entry.Name = "orlund-bench";
    entry.ReceiverText = "broadcast";
    const std::string packet =
        orlund::EncodePacket(orlund::NETWORK_RECEIVER_UPDATE, orlund::Encode(entry));
    measure("100 to " + std::to_string(broadcast) + " others", broadcast + 1, packet,
            orlund::NETWORK_RECEIVER_UPDATE, "", true);
  } else {
    for (int type : types) {
      const std::string answer = FetchAnswer(port, type);
      for (int clients : client_counts) {
        measure(std::to_string(type) + " (" + std::to_string(answer.size()) + " B)", clients,
                orlund::EncodePacket(type, ""), type, answer, false);
      }
    }
  }

  if (idle > 0 && server) {
    // The sweep removes the closed connections within a second or two.
    std::this_thread::sleep_for(std::chrono::milliseconds(2500));
    const long before = ResidentKiB(server->pid());
    std::vector<int> fds;
    for (int i = 0; i < idle; ++i) fds.push_back(Connect(port));
    std::this_thread::sleep_for(std::chrono::milliseconds(1500));
    const long after = ResidentKiB(server->pid());
    std::printf("\n%d idle clients: resident %ld KiB -> %ld KiB (+%ld KiB)\n", idle, before, after,
                after - before);
    for (int fd : fds) ::close(fd);
  }
  return 0;
}
