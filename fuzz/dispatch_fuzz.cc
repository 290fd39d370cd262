// Byte streams of several clients against one server state in memory, over
// a scratch copy of the demo project: framing, logging and every request
// handler, broadcasts included. Whatever the clients send, the tables stay
// within their capacity, unused slots stay empty, every record a client
// stored can be written to its file and read back unchanged, and every
// packet the server sends frames cleanly and decodes with orlund-cli's
// codecs.
//
// Input: one byte of settings (bit 0 RequireActiveXLogin, bit 1
// StoreActiveXMessagesByServer, bit 2 the traffic file, bits 3-7 the byte
// limit, in KiB, past which a client that does not read is dropped; 0 for
// none), then events. An event is one byte: the low three bits say what,
// the rest which client (modulo the number of clients, three at first):
//   0-3  the next byte counts the bytes that arrive (0..255)
//   4    the next two bytes count them (least significant first)
//   5    the client closes its connection
//   6    a socket error on the client
//   7    the timer's sweep removes closed clients, then a new client
//        connects and gets its start packets (eight clients at most: more
//        only cost time)

#include <algorithm>
#include <memory>
#include <optional>
#include <vector>

#include "base/file_utils.h"
#include "base/text_case.h"
#include "fuzz/demo_server.h"
#include "fuzz/fuzz_check.h"
#include "protocol/catalogue.h"
#include "protocol/dispatcher.h"
#include "protocol/messages.h"
#include "protocol/session_start.h"
#include "store/ini_file.h"
#include "store/profiles.h"
#include "store/receiver_types.h"
#include "store/receivers.h"
#include "testing/fake_transport.h"

using namespace orlund;

namespace {

constexpr size_t kMostClients = 8;

// A socket that records what the server writes and, like the event loop's,
// closes itself once the unsent bytes pass a limit.
class RecordingSocket : public Transport {
 public:
  RecordingSocket(int32_t port, size_t limit) : port_(port), limit_(limit) {}
  bool IsConnected() const override { return connected_; }
  void Write(std::string packet) override {
    FUZZ_CHECK(connected_);
    written_ += packet;
    if (limit_ != 0 && written_.size() > limit_) connected_ = false;
  }
  void Close() override { connected_ = false; }
  const std::string& PeerAddress() const override { return address_; }
  int32_t PeerPort() const override { return port_; }
  size_t UnsentBytes() const override { return written_.size(); }

  const std::string& written() const { return written_; }

 private:
  const std::string address_ = "10.0.0.5";
  int32_t port_;
  size_t limit_;
  bool connected_ = true;
  std::string written_;
};

struct Client {
  RecordingSocket* socket;
  std::shared_ptr<cClientConnection> connection;
};

Client Connect(ServerState& state, std::vector<Client>& clients, size_t limit) {
  auto socket =
      std::make_unique<RecordingSocket>(static_cast<int32_t>(40000 + clients.size()), limit);
  RecordingSocket* raw = socket.get();
  clients.push_back(
      {raw, std::make_shared<cClientConnection>(std::move(socket), state.clock.steady_now())});
  return clients.back();
}

void CheckCounts(const ServerState& state, int16_t receiver_types) {
  FUZZ_CHECK(state.data.receiver_types.ReceiverTypeCount == receiver_types);
  FUZZ_CHECK(state.data.receivers.ReceiverCount >= 0 &&
             state.data.receivers.ReceiverCount <= kReceiverCapacity);
  FUZZ_CHECK(state.data.profiles.ProfileCount >= 0 &&
             state.data.profiles.ProfileCount <= kProfileCapacity);
  FUZZ_CHECK(state.users.UserCount >= 0 && state.users.UserCount <= kUserCapacity);
  FUZZ_CHECK(state.ClientConnections.size() <= ServerState::kMaxClientConnections);
  FUZZ_CHECK(state.List_Packets.lines().size() <= kPacketListCapacity);
}

// The used slots of a table hold distinct names and records that survive
// their file; the slots after them, up to the most the table held, are
// empty.
void CheckReceivers(const ReceiverTable& table, int most) {
  static const ReceiverRecord kEmpty;
  for (int i = 0; i < most; ++i) {
    const ReceiverRecord& record = table.Receivers[i];
    if (i >= table.ReceiverCount) {
      FUZZ_CHECK(record == kEmpty);
      continue;
    }
    for (int j = 0; j < i; ++j)
      FUZZ_CHECK(!EqualsIgnoreCase1252(table.Receivers[j].Name, record.Name));
    const ReceiverFile file = DecodeReceiverFile(EncodeReceiverFile(record));
    FUZZ_CHECK(file.status == ReceiverFile::Status::kLoaded && file.record == record);
  }
}

void CheckProfiles(const ProfileTable& table, int most) {
  static const ProfileRecord kEmpty;
  for (int i = 0; i < most; ++i) {
    const ProfileRecord& record = table.Profiles[i];
    const cTimeSchedule* schedule = table.ProfileSchedules[i].get();
    if (i >= table.ProfileCount) {
      FUZZ_CHECK(record == kEmpty && schedule == nullptr);
      continue;
    }
    FUZZ_CHECK(schedule != nullptr);
    for (int j = 0; j < i; ++j)
      FUZZ_CHECK(!EqualsIgnoreCase1252(table.Profiles[j].Name, record.Name));
    ProfileRecord read;
    std::unique_ptr<cTimeSchedule> read_schedule;
    const ProfileFile file =
        DecodeProfileFile(EncodeProfileFile(record, schedule), read, read_schedule);
    FUZZ_CHECK(file.status == ProfileFile::Status::kLoaded);
    FUZZ_CHECK(read == record);
    FUZZ_CHECK(read_schedule->ComposePeriodArray() == schedule->ComposePeriodArray());
  }
}

// One packet the server sent, as orlund-cli decodes it.
void CheckAnswer(const Frame& frame) {
  const std::string_view p = frame.payload;
  switch (frame.type) {
    case NETWORK_COMMON_PROTOCOLVERSION:
      Decode<ProtocolVersion>(p);
      break;
    case NETWORK_COMMON_PROJECTPATH:
      Decode<ProjectPath>(p);
      break;
    case NETWORK_COMMON_INIPARAMETERS:
      Decode<IniParameters>(p);
      break;
    case NETWORK_COMMON_RECEIVERTYPES:
      Decode<ReceiverTypesAnswer>(p);
      break;
    case NETWORK_COMMON_RECEIVERS:
      Decode<ReceiversAnswer>(p);
      break;
    case NETWORK_COMMON_USERLEVEL:
      Decode<UserLevel>(p);
      break;
    case NETWORK_COMMON_PROFILES:
      for (const ProfileEntry& profile : Decode<ProfilesAnswer>(p).profiles)
        ScheduleFromPeriodArray(profile.period_array);
      break;
    case NETWORK_TEXTMESSAGE_LASTMSGRECEIVERS:
      Decode<LastMessageReceiversAnswer>(p);
      break;
    case NETWORK_TEXTMESSAGE_LASTMSGTEXT:
      Decode<LastMessageTextAnswer>(p);
      break;
    case NETWORK_RECEIVER_UPDATE:
      Decode<ReceiverEntry>(p);
      break;
    case NETWORK_RECEIVER_REMOVE:
      Decode<ReceiverRemove>(p);
      break;
    case NETWORK_HOLIDAYLABELS:
      Decode<HolidayLabelsAnswer>(p);
      break;
    case NETWORK_DAYTYPENAMES:
      Decode<DayTypeNamesAnswer>(p);
      break;
    case NETWORK_PROFILE_CALENDAR:
      Decode<CalendarPairs>(p);
      break;
    default:
      fuzz::Fail(("the server sent a packet of type " + std::to_string(frame.type)).c_str(),
                 __FILE__, __LINE__);
  }
}

void CheckSent(const std::string& written) {
  PacketFramer framer;
  framer.Feed(written);
  Frame frame;
  while (framer.Next(frame) == FrameStatus::kPacket) {
    try {
      CheckAnswer(frame);
    } catch (const DecodeError& e) {
      fuzz::Fail(("orlund-cli cannot decode " + MessageName(frame.type) + ": " + e.what()).c_str(),
                 __FILE__, __LINE__);
    }
  }
  FUZZ_CHECK(framer.pending() == 0);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const fuzz::DemoServer demo;
  // One place for the server state, used afresh by every input: a state is
  // large, and new memory for each would cost more than the input's run.
  static std::optional<TestServer> server;
  server.emplace();
  ServerState& state = server->state;
  demo.Prepare(state);
  const int16_t receiver_types = state.data.receiver_types.ReceiverTypeCount;
  int most_receivers = state.data.receivers.ReceiverCount;
  int most_profiles = state.data.profiles.ProfileCount;

  fuzz::InputReader in(fuzz::Bytes(data, size));
  const uint8_t settings = in.Byte();
  state.settings.RequireActiveXLogin = (settings & 1) != 0;
  state.settings.StoreActiveXMessagesByServer = (settings & 2) != 0;
  state.Menu_File_Continous_Debug = (settings & 4) != 0;
  const size_t limit = static_cast<size_t>(settings >> 3) * 1024;

  std::vector<Client> clients;
  for (int i = 0; i < 3; ++i)
    state.ClientConnections.push_back(Connect(state, clients, limit).connection);

  while (!in.empty()) {
    const uint8_t event = in.Byte();
    const Client client = clients[(event >> 3) % clients.size()];
    cClientConnection& connection = *client.connection;
    switch (event & 7) {
      case 5:
        if (connection.IsConnected()) OnSocketClose(state, connection);
        break;
      case 6:
        if (connection.IsConnected()) OnSocketError(state, connection, "Connection reset");
        break;
      case 7: {
        std::erase_if(state.ClientConnections, [](const auto& c) { return !c->IsConnected(); });
        if (clients.size() >= kMostClients ||
            state.ClientConnections.size() >= ServerState::kMaxClientConnections) {
          break;
        }
        const Client joined = Connect(state, clients, limit);
        SendSessionStart(state, *joined.connection);
        state.ClientConnections.push_back(joined.connection);
        break;
      }
      default: {
        const size_t length = (event & 7) == 4 ? in.Word() : in.Byte();
        const std::string_view bytes = in.Text(length);
        // A closed socket reports no more data.
        if (connection.IsConnected()) OnDataArrival(state, connection, bytes);
      }
    }
    CheckCounts(state, receiver_types);
    most_receivers = std::max<int>(most_receivers, state.data.receivers.ReceiverCount);
    most_profiles = std::max<int>(most_profiles, state.data.profiles.ProfileCount);
  }

  // Only the requests that change a table can break it.
  const auto& requests = state.metrics.requests;
  if (requests[NETWORK_RECEIVER_UPDATE] + requests[NETWORK_RECEIVER_REMOVE] > 0)
    CheckReceivers(state.data.receivers, most_receivers);
  if (requests[NETWORK_PROFILE_UPDATE] + requests[NETWORK_PROFILE_REMOVE] > 0)
    CheckProfiles(state.data.profiles, most_profiles);
  for (const Client& client : clients) CheckSent(client.socket->written());
  demo.Restore(state);
  server.reset();
  return 0;
}
