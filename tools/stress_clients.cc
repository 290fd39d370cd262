#include "tools/stress_clients.h"

#include <algorithm>
#include <exception>
#include <random>
#include <thread>

#include "protocol/catalogue.h"
#include "protocol/codec.h"
#include "protocol/framing.h"
#include "protocol/messages.h"

namespace orlund::stress {

namespace {

using std::chrono::milliseconds;
using std::chrono::seconds;

constexpr auto kConnectLimit = seconds(3);
// An innocent request unanswered this long counts as lost.
constexpr auto kAnswerLimit = seconds(10);
constexpr int kRequestsPerVisit = 20;

bool Before(Clock::time_point end) { return Clock::now() < end; }

// Sleeps `pause`, or less when `end` comes first.
void PauseUntil(Clock::duration pause, Clock::time_point end) {
  std::this_thread::sleep_until(std::min(Clock::now() + pause, end));
}

// Sends with the hostile figures counted; false when the server closed.
bool SendCounted(StressSocket& socket, HostileFigures& figures, const std::string& bytes,
                 Clock::time_point until) {
  if (!socket.SendAll(bytes, until)) {
    if (socket.closed()) ++figures.closed_by_server;
    return false;
  }
  ++figures.packets_sent;
  figures.bytes_sent += bytes.size();
  return true;
}

// Reads the four start packets (keep-alives skipped) by `until`.
bool ReadStartPackets(StressSocket& socket, Clock::time_point until) {
  Packet packet;
  for (int got = 0; got < 4;) {
    if (socket.ReadPacket(packet, until) != StressSocket::ReadResult::kPacket) return false;
    if (packet.type != NETWORK_COMMON_KEEPALIVE) ++got;
  }
  return true;
}

// True when `answer` is a whole, well-formed answer to request `type`.
bool WellFormed(int type, const std::string& answer) {
  try {
    if (type == NETWORK_COMMON_RECEIVERTYPES) {
      return Encode(Decode<ReceiverTypesAnswer>(answer)) == answer;
    }
    return Encode(Decode<ReceiversAnswer>(answer)) == answer;
  } catch (const std::exception&) {
    return false;
  }
}

}  // namespace

const char* HostilityName(Hostility hostility) {
  switch (hostility) {
    case Hostility::kChurn:
      return "churn";
    case Hostility::kStalledReader:
      return "stalled readers";
    case Hostility::kPartialPackets:
      return "partial packets";
    case Hostility::kTableFiller:
      return "table filler";
    case Hostility::kSlowReader:
      return "slow readers of the table";
    case Hostility::kPasswordGuesser:
      return "password guessers";
    case Hostility::kCommandFlood:
      return "command flood";
    case Hostility::kMalformed:
      return "malformed traffic";
  }
  return "?";
}

void RunInnocentClient(StressRun& run, int index) {
  InnocentFigures& f = run.innocent;
  std::vector<double> times;
  while (Before(run.innocent_end)) {
    ++f.attempts;
    StressSocket socket(run.port, kConnectLimit);
    if (!socket.connected()) ++f.not_connected;
    if (!socket.connected() || !ReadStartPackets(socket, Clock::now() + kAnswerLimit)) {
      PauseUntil(milliseconds(100), run.innocent_end);
      continue;
    }
    ++f.admitted;
    for (int i = 0; i < kRequestsPerVisit && Before(run.innocent_end); ++i) {
      const int type =
          (i + index) % 2 == 0 ? NETWORK_COMMON_RECEIVERTYPES : NETWORK_COMMON_RECEIVERS;
      ++f.requests;
      const auto sent = Clock::now();
      if (!socket.SendAll(EncodePacket(type, ""), sent + kAnswerLimit)) {
        ++f.lost;
        f.closed += socket.closed();
        break;
      }
      // Broadcasts of other clients' changes and keep-alives come between.
      Packet packet;
      StressSocket::ReadResult result;
      do {
        result = socket.ReadPacket(packet, sent + kAnswerLimit);
      } while (result == StressSocket::ReadResult::kPacket &&
               (packet.type == NETWORK_COMMON_KEEPALIVE || packet.type == NETWORK_RECEIVER_UPDATE ||
                packet.type == NETWORK_RECEIVER_REMOVE));
      if (result != StressSocket::ReadResult::kPacket) {
        ++f.lost;
        f.closed += result == StressSocket::ReadResult::kClosed;
        break;
      }
      times.push_back(std::chrono::duration<double, std::milli>(Clock::now() - sent).count());
      ++f.answered;
      if (packet.type != type || !WellFormed(type, packet.payload)) ++f.wrong;
      // An operator does not click faster than this.
      PauseUntil(milliseconds(20), run.innocent_end);
    }
  }
  std::lock_guard<std::mutex> lock(f.mutex);
  f.answer_ms.insert(f.answer_ms.end(), times.begin(), times.end());
}

namespace {

// Connects a hostile client; null when the server did not take it.
std::unique_ptr<StressSocket> Connect(StressRun& run, HostileFigures& f, int receive_buffer = 0) {
  auto socket = std::make_unique<StressSocket>(run.port, kConnectLimit, receive_buffer);
  if (!socket->connected()) {
    ++f.not_connected;
    PauseUntil(milliseconds(50), run.hostile_end);
    return nullptr;
  }
  ++f.connections;
  return socket;
}

// Connects, leaves, and connects again: at once, with a reset, after the
// first packet, or in the middle of a header.
void Churn(StressRun& run, HostileFigures& f, std::mt19937& random) {
  while (Before(run.hostile_end)) {
    auto socket = Connect(run, f);
    if (!socket) continue;
    switch (random() % 4) {
      case 0:
        break;
      case 1:
        socket->Abort();
        break;
      case 2: {
        Packet packet;
        if (socket->ReadPacket(packet, Clock::now() + seconds(1)) ==
            StressSocket::ReadResult::kPacket) {
          ++f.answers;
        }
        break;
      }
      default:
        SendCounted(*socket, f, std::string("\x04\x00", 2), Clock::now() + seconds(1));
    }
    // Most leave with a reset, so that the loopback's ports do not run out
    // in TIME_WAIT; at most about 200 connections a second per client.
    if (random() % 4 != 0) socket->Abort();
    socket.reset();
    PauseUntil(milliseconds(5), run.hostile_end);
  }
}

// Asks for the largest answers and never reads: the server's unsent bytes
// for it grow until the server gives up on it; then it comes back.
void StalledReader(StressRun& run, HostileFigures& f) {
  const std::string requests =
      EncodePacket(NETWORK_COMMON_PROFILES, "") + EncodePacket(NETWORK_COMMON_RECEIVERS, "") +
      EncodePacket(NETWORK_COMMON_RECEIVERTYPES, "") + EncodePacket(NETWORK_HOLIDAYLABELS, "");
  while (Before(run.hostile_end)) {
    auto socket = Connect(run, f, 4096);
    if (!socket) continue;
    while (Before(run.hostile_end)) {
      const ssize_t sent = socket->SendNow(requests);
      if (sent < 0) {
        ++f.closed_by_server;
        break;
      }
      f.packets_sent += sent == static_cast<ssize_t>(requests.size()) ? 4 : 0;
      f.bytes_sent += static_cast<uint64_t>(sent);
      PauseUntil(milliseconds(1), run.hostile_end);
    }
  }
}

// Packets cut short: a packet of the largest length sent all but its last
// byte; a header whose payload comes one byte every two seconds, never
// finished; a request split into single bytes far apart.
void PartialPackets(StressRun& run, HostileFigures& f, int index) {
  while (Before(run.hostile_end)) {
    auto socket = Connect(run, f);
    if (!socket) continue;
    const auto until = run.hostile_end;
    bool open = true;
    switch (index % 3) {
      case 0: {
        std::string almost = EncodePacket(NETWORK_COMMON_AREA, std::string(kMaxPacketPayload, 'a'));
        almost.pop_back();
        open = SendCounted(*socket, f, almost, until);
        while (open && Before(until)) {
          // Silent now: the server drops it after its keep-alive limit.
          PauseUntil(milliseconds(500), until);
          socket->Drain();
          open = !socket->closed();
        }
        break;
      }
      case 1: {
        open = SendCounted(*socket, f, std::string("\x09\x00\x00\x10\x00", 5), until);
        while (open && Before(until)) {
          PauseUntil(seconds(2), until);
          socket->Drain();
          open = !socket->closed() && socket->SendNow("x") >= 0;
          f.bytes_sent += 1;
        }
        break;
      }
      default: {
        const std::string request = EncodePacket(NETWORK_COMMON_RECEIVERTYPES, "");
        for (char byte : request) {
          open = open && socket->SendAll(std::string(1, byte), until);
          PauseUntil(milliseconds(300), until);
        }
        Packet packet;
        while (open && socket->ReadPacket(packet, Clock::now() + seconds(2)) ==
                           StressSocket::ReadResult::kPacket) {
          if (packet.type == NETWORK_COMMON_RECEIVERTYPES) {
            ++f.answers;
            break;
          }
        }
      }
    }
    if (socket->closed()) ++f.closed_by_server;
  }
}

std::string ReceiverName(int index, int number) {
  return "stress " + std::to_string(index) + "-" + std::to_string(number);
}

// Adds receivers with every text as long as it can be until the table is
// full, each awaited by its echo; then keeps them until the end.
void TableFiller(StressRun& run, HostileFigures& f, int index) {
  int number = 0;
  while (Before(run.hostile_end)) {
    auto socket = Connect(run, f);
    if (!socket) continue;
    if (!ReadStartPackets(*socket, Clock::now() + kAnswerLimit)) continue;
    const std::string text(run.receiver_text, 'T');
    bool full = run.max_receivers > 0 && number >= run.max_receivers;
    while (!full && Before(run.hostile_end)) {
      ReceiverEntry entry{ReceiverName(index, number), -1, 0, 1, text, {text, text, text, text}};
      entry.Name += std::string(std::min<size_t>(run.receiver_text, 1000), 'n');
      if (!SendCounted(*socket, f, EncodePacket(NETWORK_RECEIVER_UPDATE, Encode(entry)),
                       run.hostile_end)) {
        break;
      }
      // The echo says it was taken; none means the table is full.
      Packet packet;
      bool echoed = false;
      while (!echoed && socket->ReadPacket(packet, Clock::now() + seconds(5)) ==
                            StressSocket::ReadResult::kPacket) {
        echoed = packet.type == NETWORK_RECEIVER_UPDATE &&
                 packet.payload.substr(0, 2 + entry.Name.size()) == EncodeString(entry.Name);
      }
      if (!echoed) {
        full = !socket->closed();
        break;
      }
      ++f.answers;
      full = ++number == run.max_receivers;
      std::lock_guard<std::mutex> lock(run.added_mutex);
      run.added_receivers.push_back(entry.Name);
    }
    while (full && Before(run.hostile_end) && !socket->closed()) {
      socket->Drain();
      PauseUntil(milliseconds(200), run.hostile_end);
    }
  }
}

// Asks for the receivers and reads the answer at about 1 MiB a second.
void SlowReader(StressRun& run, HostileFigures& f) {
  while (Before(run.hostile_end)) {
    auto socket = Connect(run, f, 16384);
    if (!socket) continue;
    while (Before(run.hostile_end)) {
      if (!SendCounted(*socket, f, EncodePacket(NETWORK_COMMON_RECEIVERS, ""), run.hostile_end)) {
        break;
      }
      for (int i = 0; i < 10 && Before(run.hostile_end); ++i) {
        socket->Drain();
        PauseUntil(milliseconds(20), run.hostile_end);
      }
      if (socket->closed()) {
        ++f.closed_by_server;
        break;
      }
    }
  }
}

// Wrong passwords: half of the guessers keep many in flight on one
// connection, the others send one per connection and leave.
void PasswordGuesser(StressRun& run, HostileFigures& f, int index, std::mt19937& random) {
  const bool pipelining = index % 2 == 0;
  while (Before(run.hostile_end)) {
    auto socket = Connect(run, f);
    if (!socket) continue;
    if (!ReadStartPackets(*socket, Clock::now() + kAnswerLimit)) continue;
    int in_flight = 0;
    while (Before(run.hostile_end)) {
      std::string guesses;
      for (; in_flight < (pipelining ? 50 : 1); ++in_flight) {
        guesses +=
            EncodePacket(NETWORK_COMMON_PASSWORD, EncodeString("guess" + std::to_string(random())));
      }
      if (!guesses.empty() && !SendCounted(*socket, f, guesses, run.hostile_end)) break;
      Packet packet;
      const auto result = socket->ReadPacket(packet, Clock::now() + milliseconds(100));
      if (result == StressSocket::ReadResult::kClosed) {
        ++f.closed_by_server;
        break;
      }
      if (result == StressSocket::ReadResult::kPacket && packet.type == NETWORK_COMMON_USERLEVEL) {
        ++f.answers;
        --in_flight;
      }
      if (!pipelining) break;
    }
  }
}

// Commands and messages for the alarm server, as fast as the server takes them.
void CommandFlood(StressRun& run, HostileFigures& f) {
  std::string batch;
  for (int i = 0; i < 50; ++i) {
    batch += EncodePacket(NETWORK_SUBMIT_COMMANDENTRY, Encode(CommandEntryRequest{"STRESS"}));
    batch += EncodePacket(NETWORK_TEXTMESSAGE_SUBMITMESSAGE,
                          Encode(SubmitMessageRequest{{}, "stress message"}));
  }
  while (Before(run.hostile_end)) {
    auto socket = Connect(run, f);
    if (!socket) continue;
    while (Before(run.hostile_end) && SendCounted(*socket, f, batch, run.hostile_end)) {
      f.packets_sent += 99;
      socket->Drain();
    }
  }
}

// One malformed packet: unknown and server-to-client types, requests whose
// fields are cut short, and now and then a length past the limit. Requests
// that change data are only ever sent cut short, so nothing is changed.
std::string MalformedPacket(std::mt19937& random) {
  auto garbage = [&](size_t most) {
    std::string bytes(random() % (most + 1), '\0');
    for (char& c : bytes) c = static_cast<char>(random());
    return bytes;
  };
  static const int kUnknown[] = {10, 11, 59, 63, 99, 102, 119, 122, 150, 191, 200, 255};
  static const int kServerTypes[] = {0, 1, 2, 3, 7};
  static const int kReadTypes[] = {4, 5, 8, 61, 62, 140, 160, 180};
  switch (random() % 6) {
    case 0:
      return EncodePacket(kUnknown[random() % std::size(kUnknown)], garbage(300));
    case 1:
      return EncodePacket(kServerTypes[random() % std::size(kServerTypes)], garbage(50));
    case 2:
      return EncodePacket(kReadTypes[random() % std::size(kReadTypes)], garbage(50));
    case 3: {
      // A text whose length runs past the payload.
      static const int kTextTypes[] = {6, 9, 60, 101, 121, 190};
      std::string payload = EncodeInt16(1000) + garbage(200);
      return EncodePacket(kTextTypes[random() % std::size(kTextTypes)], payload);
    }
    case 4: {
      // Fields that end early.
      switch (random() % 4) {
        case 0:
          return EncodePacket(NETWORK_RECEIVER_UPDATE, EncodeString("cut short"));
        case 1:
          return EncodePacket(NETWORK_PROFILE_UPDATE,
                              EncodeString("cut") + EncodeString("cut") + EncodeInt16(1));
        case 2:
          return EncodePacket(NETWORK_DAYTYPENAMES_UPDATE, EncodeInt16(3));
        default:
          return EncodePacket(NETWORK_GLOBAL_CALENDAR_UPDATE,
                              EncodeInt16(32767) + EncodeInt16(1) + EncodeInt16(2));
      }
    }
    default:
      // A declared length past the limit: the server closes the connection.
      return std::string("\x04\x7f\xff\xff\xff", 5);
  }
}

void Malformed(StressRun& run, HostileFigures& f, std::mt19937& random) {
  while (Before(run.hostile_end)) {
    auto socket = Connect(run, f);
    if (!socket) continue;
    for (int i = 0; i < 200 && Before(run.hostile_end); ++i) {
      if (!SendCounted(*socket, f, MalformedPacket(random), run.hostile_end)) break;
      socket->Drain();
      if (socket->closed()) {
        ++f.closed_by_server;
        break;
      }
      if (i % 20 == 0) PauseUntil(milliseconds(5), run.hostile_end);
    }
  }
}

}  // namespace

void RunHostileClient(StressRun& run, Hostility hostility, int index) {
  HostileFigures& f = run.figures(hostility);
  ++f.clients;
  std::mt19937 random(static_cast<uint32_t>(index * 7919 + static_cast<int>(hostility)));
  switch (hostility) {
    case Hostility::kChurn:
      return Churn(run, f, random);
    case Hostility::kStalledReader:
      return StalledReader(run, f);
    case Hostility::kPartialPackets:
      return PartialPackets(run, f, index);
    case Hostility::kTableFiller:
      return TableFiller(run, f, index);
    case Hostility::kSlowReader:
      return SlowReader(run, f);
    case Hostility::kPasswordGuesser:
      return PasswordGuesser(run, f, index, random);
    case Hostility::kCommandFlood:
      return CommandFlood(run, f);
    case Hostility::kMalformed:
      return Malformed(run, f, random);
  }
}

bool RemoveAddedReceivers(StressRun& run) {
  if (run.added_receivers.empty()) return true;
  StressSocket socket(run.port, kConnectLimit);
  const auto until = Clock::now() + seconds(60);
  if (!socket.connected() || !ReadStartPackets(socket, until)) return false;
  std::string removes;
  for (const std::string& name : run.added_receivers) {
    removes += EncodePacket(NETWORK_RECEIVER_REMOVE, EncodeString(name));
  }
  // The receivers' answer after the removals shows they are gone.
  if (!socket.SendAll(removes + EncodePacket(NETWORK_COMMON_RECEIVERS, ""), until)) return false;
  Packet packet;
  while (socket.ReadPacket(packet, until) == StressSocket::ReadResult::kPacket) {
    if (packet.type == NETWORK_COMMON_RECEIVERS) return true;
  }
  return false;
}

}  // namespace orlund::stress
