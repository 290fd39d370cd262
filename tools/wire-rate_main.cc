// wire-rate [--port P] [--clients N] [--seconds S]: measures how fast a
// running server on 127.0.0.1 answers NETWORK_COMMON_RECEIVERTYPES (type 4):
// N clients each keep one request outstanding for S seconds; prints the
// answers per second and the median, 99th percentile and longest time from
// request to answer. A load generator for comparing runs, not a test.
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "protocol/catalogue.h"
#include "protocol/framing.h"

namespace {

using Clock = std::chrono::steady_clock;

struct Client {
  int fd = -1;
  std::string buffer;
  int start_packets = 0;  // start packets still to come
  Clock::time_point sent;
};

int Connect(int port) {
  const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = htons(static_cast<uint16_t>(port));
  if (fd < 0 || ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
    std::perror("connect");
    std::exit(1);
  }
  int one = 1;
  ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
  return fd;
}

void SendRequest(Client& client) {
  const std::string packet = orlund::EncodePacket(orlund::NETWORK_COMMON_RECEIVERTYPES, "");
  client.sent = Clock::now();
  if (::send(client.fd, packet.data(), packet.size(), MSG_NOSIGNAL) !=
      static_cast<ssize_t>(packet.size())) {
    std::fprintf(stderr, "wire-rate: the server closed a connection\n");
    std::exit(1);
  }
}

// Cuts whole packets off the buffer; returns their types.
std::vector<int> TakePackets(std::string& buffer) {
  std::vector<int> types;
  while (buffer.size() >= 5) {
    uint32_t length = 0;
    for (int i = 1; i <= 4; ++i) length = length << 8 | static_cast<uint8_t>(buffer[i]);
    if (buffer.size() < 5 + length) break;
    types.push_back(static_cast<uint8_t>(buffer[0]));
    buffer.erase(0, 5 + length);
  }
  return types;
}

double Micros(Clock::duration d) { return std::chrono::duration<double, std::micro>(d).count(); }

}  // namespace

int main(int argc, char** argv) {
  int port = 58658;
  int clients_wanted = 4;
  int seconds = 10;
  for (int i = 1; i + 1 < argc; i += 2) {
    const std::string option = argv[i];
    const int value = std::atoi(argv[i + 1]);
    if (option == "--port") {
      port = value;
    } else if (option == "--clients") {
      clients_wanted = std::clamp(value, 1, 90);
    } else if (option == "--seconds") {
      seconds = std::clamp(value, 1, 600);
    } else {
      std::fprintf(stderr, "usage: wire-rate [--port P] [--clients N] [--seconds S]\n");
      return 2;
    }
  }

  std::vector<Client> clients(static_cast<size_t>(clients_wanted));
  std::vector<pollfd> polls;
  for (Client& client : clients) {
    client.fd = Connect(port);
    client.start_packets = 4;
    polls.push_back({client.fd, POLLIN, 0});
  }
  std::vector<double> latencies;
  latencies.reserve(1 << 20);
  Clock::time_point measuring_from{};
  const auto end_of_start = Clock::now() + std::chrono::seconds(5);
  Clock::time_point end{};
  char chunk[65536];
  for (;;) {
    const auto now = Clock::now();
    if (end != Clock::time_point{} && now >= end) break;
    if (end == Clock::time_point{} && now >= end_of_start) {
      std::fprintf(stderr, "wire-rate: no start packets from the server\n");
      return 1;
    }
    if (::poll(polls.data(), polls.size(), 1000) < 0) continue;
    for (size_t i = 0; i < clients.size(); ++i) {
      if ((polls[i].revents & (POLLIN | POLLHUP | POLLERR)) == 0) continue;
      Client& client = clients[i];
      const ssize_t n = ::recv(client.fd, chunk, sizeof chunk, 0);
      if (n <= 0) {
        std::fprintf(stderr, "wire-rate: the server closed a connection\n");
        return 1;
      }
      client.buffer.append(chunk, static_cast<size_t>(n));
      for (int type : TakePackets(client.buffer)) {
        if (type == orlund::NETWORK_COMMON_KEEPALIVE) continue;
        if (client.start_packets > 0) {
          if (--client.start_packets == 0) {
            // Everyone starts together once the last client has its start packets.
            const bool all = std::all_of(clients.begin(), clients.end(),
                                         [](const Client& c) { return c.start_packets == 0; });
            if (all) {
              measuring_from = Clock::now();
              end = measuring_from + std::chrono::seconds(seconds);
              for (Client& c : clients) SendRequest(c);
            }
          }
          continue;
        }
        if (type != orlund::NETWORK_COMMON_RECEIVERTYPES) continue;
        const auto answered = Clock::now();
        latencies.push_back(Micros(answered - client.sent));
        SendRequest(client);
      }
    }
  }
  const double elapsed = std::chrono::duration<double>(Clock::now() - measuring_from).count();
  for (const Client& client : clients) ::close(client.fd);
  if (latencies.empty()) {
    std::fprintf(stderr, "wire-rate: no answers\n");
    return 1;
  }
  std::sort(latencies.begin(), latencies.end());
  auto percentile = [&](double p) {
    return latencies[std::min(latencies.size() - 1,
                              static_cast<size_t>(p * static_cast<double>(latencies.size())))];
  };
  std::printf(
      "%zu answers in %.1f s by %d clients: %.0f per second; median %.0f us, p99 %.0f us, "
      "longest %.0f us\n",
      latencies.size(), elapsed, clients_wanted, static_cast<double>(latencies.size()) / elapsed,
      percentile(0.5), percentile(0.99), latencies.back());
  return 0;
}
