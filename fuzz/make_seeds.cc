// make-fuzz-seeds CORPUS_DIR: writes the seed corpora of the fuzz targets
// into CORPUS_DIR/TARGET/: the demo project's files and the language and
// holiday files as they are; records of every setting kind and of the older
// receiver format; INI lookups and writes the server makes; request streams
// of several clients covering every request type; and for each orlund-cli
// subcommand the bytes a server holding the demo project answers it with.

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz/cli_subcommands.h"
#include "fuzz/demo_server.h"
#include "protocol/dispatcher.h"
#include "protocol/framing.h"
#include "protocol/session_start.h"
#include "store/receivers.h"
#include "testing/fake_transport.h"

using namespace orlund;
namespace fs = std::filesystem;

namespace {

std::string g_corpus;

void Seed(const std::string& target, const std::string& name, std::string_view bytes) {
  const fs::path dir = fs::path(g_corpus) / target;
  fs::create_directories(dir);
  std::ofstream out(dir / name, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!out) fuzz::Abort("cannot write " + (dir / name).string());
}

std::string Read(const std::string& path) {
  std::optional<std::string> bytes = ReadFileBytes(path);
  if (!bytes) fuzz::Abort("cannot read " + path);
  return *bytes;
}

// Every file of `dir` as a seed of `target`, under its own name.
void SeedFiles(const std::string& target, const std::string& dir) {
  for (const auto& entry : fs::directory_iterator(dir)) {
    if (entry.is_regular_file())
      Seed(target, entry.path().filename().string(), Read(entry.path().string()));
  }
}

void FileSeeds(const fuzz::DemoServer& demo) {
  const std::string project = demo.project();
  for (const auto& entry : fs::directory_iterator(project + "Profiles")) {
    const std::string name = entry.path().filename().string();
    if (name.starts_with("Profile_")) Seed("profile_file", name, Read(entry.path().string()));
  }
  SeedFiles("receiver_file", project + "Receivers");
  SeedFiles("receiver_type", project + "ReceiverTypes");
  Seed("users_file", kUsersFileName, Read(project + kUsersFileName));
  const std::string calendar = Read(GlobalCalendarPath(project));
  Seed("calendar_file", "GlobalCalendar.dat", calendar);
  Seed("calendar_file", "cut-short", calendar.substr(0, 1001));
  Seed("language_texts", "Orlund_Texts.ENG", Read(fuzz::ShareDirectory() + "Orlund_Texts.ENG"));
  Seed("holiday_file", "Orlund_Holidays.ENG", Read(fuzz::ShareDirectory() + "Orlund_Holidays.ENG"));

  ReceiverRecord every_kind;
  every_kind.Name = "Every kind";
  every_kind.Settings = {Variant::FromInt16(-12), Variant::FromInt32(70000),
                         Variant::FromFloat(0.1f), Variant::FromDouble(1e20)};
  every_kind.ReceiverText = "Texts";
  every_kind.ExtraTexts = {"a", "b", "", "d"};
  Seed("receiver_file", "every-kind-1", EncodeReceiverFile(every_kind));
  every_kind.Settings = {Variant::FromCurrency(125000), Variant::FromDate(36526.75),
                         Variant::FromBoolean(-1), Variant::FromByte(200)};
  Seed("receiver_file", "every-kind-2", EncodeReceiverFile(every_kind));
  every_kind.Settings = {Variant::Null(), Variant(), Variant::FromText("1234567"),
                         Variant::FromDate(-0.5)};
  Seed("receiver_file", "every-kind-3", EncodeReceiverFile(every_kind));
  ByteWriter old;
  old.Int16(3);
  old.Int16(1);
  old.Int16(2);
  old.Text("Old format");
  for (int i = 0; i < 4; ++i) Variant::FromText("setting").Encode(old);
  Seed("receiver_file", "format-3", old.Take());
}

// An input of the INI target: section, key, value, buffer length, text.
std::string IniInput(std::string_view section, std::string_view key, std::string_view value,
                     uint16_t buffer_length, std::string_view content) {
  std::string input;
  input.push_back(static_cast<char>(section.size()));
  input.append(section);
  input.push_back(static_cast<char>(key.size()));
  input.append(key);
  input.push_back(static_cast<char>(value.size() & 0xFF));
  input.push_back(static_cast<char>(value.size() >> 8));
  input.append(value);
  input.push_back(static_cast<char>(buffer_length & 0xFF));
  input.push_back(static_cast<char>(buffer_length >> 8));
  input.append(content);
  return input;
}

void IniSeeds(const fuzz::DemoServer& demo) {
  const std::string ini = Read(demo.project() + "Orlund_Server.ini");
  Seed("ini_file", "language", IniInput("General", "Language", "FRA", 4096, ini));
  Seed("ini_file", "day-type-name", IniInput("Calendar", "DayType9", " Inventory ", 4096, ini));
  Seed("ini_file", "new-section", IniInput("Extra", "Key", "\"quoted\"", 20, ini));
  Seed("ini_file", "empty-file", IniInput("Calendar", "DayType0", "x\r\ny", 4096, ""));
  const std::string rcv = Read(demo.project() + "ReceiverTypes/ReceiverType_0001.rcv");
  Seed("ini_file", "template", IniInput("ReceiverSetupTemplate", "Name", "", 40, rcv));
}

// Events of the dispatch target (see dispatch_fuzz.cc).
class Events {
 public:
  explicit Events(uint8_t settings) { bytes_.push_back(static_cast<char>(settings)); }

  Events& Data(int client, std::string_view data) {
    while (!data.empty()) {
      const std::string_view chunk = data.substr(0, 65535);
      if (chunk.size() <= 255) {
        Event(client, 0);
        bytes_.push_back(static_cast<char>(chunk.size()));
      } else {
        Event(client, 4);
        bytes_.push_back(static_cast<char>(chunk.size() & 0xFF));
        bytes_.push_back(static_cast<char>(chunk.size() >> 8));
      }
      bytes_.append(chunk);
      data.remove_prefix(chunk.size());
    }
    return *this;
  }
  Events& Packet(int client, int type, std::string_view payload = {}) {
    return Data(client, EncodePacket(type, payload));
  }
  Events& Close(int client) { return Event(client, 5); }
  Events& Error(int client) { return Event(client, 6); }
  Events& SweepAndJoin() { return Event(0, 7); }

  const std::string& bytes() const { return bytes_; }

 private:
  Events& Event(int client, int what) {
    bytes_.push_back(static_cast<char>(client << 3 | what));
    return *this;
  }
  std::string bytes_;
};

// A profile of the demo project as a type 120 request under `name`.
std::string ProfileUpdate(const ServerState& state, int slot, const std::string& name) {
  const ProfileTable& table = state.data.profiles;
  return Encode(ProfileUpdateRequest{
      name, {table.Profiles[slot], table.ProfileSchedules[slot]->ComposePeriodArray()}});
}

void DispatchSeeds(const fuzz::DemoServer& demo) {
  auto server = std::make_unique<TestServer>();
  demo.Prepare(server->state);
  const ServerState& state = server->state;

  constexpr int kReads[] = {NETWORK_COMMON_RECEIVERTYPES,
                            NETWORK_COMMON_RECEIVERS,
                            NETWORK_COMMON_PROFILES,
                            NETWORK_TEXTMESSAGE_LASTMSGRECEIVERS,
                            NETWORK_TEXTMESSAGE_LASTMSGTEXT,
                            NETWORK_HOLIDAYLABELS,
                            NETWORK_DAYTYPENAMES,
                            NETWORK_PROFILE_CALENDAR};
  Events reads(0);
  for (int type : kReads) reads.Packet(0, type);
  Seed("dispatch", "reads", reads.bytes());

  Events login(1);
  login.SweepAndJoin()
      .Packet(3, NETWORK_COMMON_PASSWORD, Encode(PasswordRequest{"admin"}))
      .Packet(3, NETWORK_COMMON_PASSWORD, Encode(PasswordRequest{"wrong"}))
      .Packet(3, NETWORK_COMMON_AREA, Encode(AreaRequest{"Control room"}));
  Seed("dispatch", "login", login.bytes());

  ReceiverEntry added{"Night pager", -1, 0, 1, "Night", {"7654321", "1200", "", ""}};
  ReceiverEntry changed{"Fire brigade", -1, 1, 2, "Priority", {"7654321", "4", "", ""}};
  Events receivers(0);
  receivers.Packet(0, NETWORK_RECEIVER_UPDATE, Encode(added))
      .Packet(0, NETWORK_RECEIVER_UPDATE, Encode(changed))
      .Packet(1, NETWORK_RECEIVER_REMOVE, Encode(ReceiverRemove{"Maintenance"}))
      .Packet(1, NETWORK_RECEIVER_REMOVE, Encode(ReceiverRemove{"Nobody"}))
      .Packet(2, NETWORK_COMMON_RECEIVERS);
  Seed("dispatch", "receivers", receivers.bytes());

  Events profiles(0);
  profiles
      .Packet(0, NETWORK_PROFILE_UPDATE,
              ProfileUpdate(state, 0, state.data.profiles.Profiles[0].Name))
      .Packet(0, NETWORK_PROFILE_UPDATE, ProfileUpdate(state, 1, "Weekend"))
      .Packet(1, NETWORK_PROFILE_REMOVE, Encode(ProfileRemoveRequest{"Night watch"}))
      .Packet(2, NETWORK_COMMON_PROFILES);
  Seed("dispatch", "profiles", profiles.bytes());

  Events calendar(0);
  calendar.Packet(0, NETWORK_GLOBAL_CALENDAR_UPDATE, Encode(CalendarPairs{{{9490, 8}, {9491, 1}}}))
      .Packet(1, NETWORK_PROFILE_CALENDAR)
      .Packet(1, NETWORK_DAYTYPENAMES_UPDATE, Encode(DayTypeNameUpdateRequest{7, "Feiertag"}))
      .Packet(1, NETWORK_DAYTYPENAMES_UPDATE, Encode(DayTypeNameUpdateRequest{3, "Donnerstag"}))
      .Packet(2, NETWORK_DAYTYPENAMES);
  Seed("dispatch", "calendar", calendar.bytes());

  Events messages(2);
  messages
      .Packet(0, NETWORK_TEXTMESSAGE_SUBMITMESSAGE,
              Encode(SubmitMessageRequest{{"Fire brigade", "Maintenance"}, "Fire drill"}))
      .Packet(0, NETWORK_TEXTMESSAGE_LASTMSGRECEIVERS)
      .Packet(0, NETWORK_TEXTMESSAGE_LASTMSGTEXT)
      .Packet(1, NETWORK_SUBMIT_COMMANDENTRY, Encode(CommandEntryRequest{"RR"}));
  Seed("dispatch", "messages", messages.bytes());

  // A packet in two pieces, two packets in one piece, a client that leaves.
  const std::string update = EncodePacket(NETWORK_RECEIVER_UPDATE, Encode(added));
  Events pieces(4);
  pieces.Data(0, std::string_view(update).substr(0, 7))
      .Data(1, EncodePacket(NETWORK_COMMON_RECEIVERS, "") +
                   EncodePacket(NETWORK_COMMON_AREA, Encode(AreaRequest{"a"})))
      .Data(0, std::string_view(update).substr(7))
      .Close(1)
      .SweepAndJoin()
      .Error(2)
      .Packet(3, NETWORK_COMMON_PROFILES);
  Seed("dispatch", "pieces", pieces.bytes());

  Events too_long(0);
  too_long.Data(0, std::string("\x05\x7F\xFF\xFF\xFF", 5)).Packet(1, NETWORK_COMMON_RECEIVERS);
  Seed("dispatch", "too-long", too_long.bytes());

  // A client that reads nothing is dropped after 1 KiB.
  Events slow(1 << 3);
  for (int i = 0; i < 4; ++i) slow.Packet(1, NETWORK_COMMON_PROFILES);
  slow.Packet(0, NETWORK_RECEIVER_UPDATE, Encode(added));
  Seed("dispatch", "slow-reader", slow.bytes());
  demo.Restore(state);
}

// What a server holding the demo project sends one client: the start
// packets, then the answers to `requests`; a second client's changes reach
// it as pushed packets.
std::string Answers(const fuzz::DemoServer& demo,
                    const std::vector<std::pair<int, std::string>>& requests,
                    const std::vector<std::pair<int, std::string>>& others = {}) {
  auto server = std::make_unique<TestServer>();
  ServerState& state = server->state;
  demo.Prepare(state);
  FakeClient cli = server->Join("127.0.0.1", 40001);
  FakeClient other = server->Join("127.0.0.1", 40002);
  SendSessionStart(state, *cli.connection);
  for (const auto& [type, payload] : requests) Dispatch(state, *cli.connection, type, payload);
  for (const auto& [type, payload] : others) Dispatch(state, *other.connection, type, payload);
  demo.Restore(state);
  // The scratch directory's name differs from run to run; the seeds do not.
  cli.transport->written.at(1) =
      EncodePacket(NETWORK_COMMON_PROJECTPATH, Encode(ProjectPath{"/srv/orlund/project/"}));
  std::string bytes;
  for (const std::string& packet : cli.transport->written) bytes += packet;
  return bytes;
}

void CliSeeds(const fuzz::DemoServer& demo) {
  auto server = std::make_unique<TestServer>();
  demo.Prepare(server->state);
  ReceiverEntry changed{"Boiler room pager", -1, 0, 1, "Day shift", {"1234567", "2400", "", ""}};
  ReceiverEntry added{"New pager", 0, 0, 2, "", {"", "", "", ""}};
  const std::string none;
  const std::vector<std::pair<int, std::string>> reads_names = {{NETWORK_DAYTYPENAMES, none}};
  std::map<std::string, std::vector<std::pair<int, std::string>>> requests = {
      {"info", {}},
      {"receiver-types", {{NETWORK_COMMON_RECEIVERTYPES, none}}},
      {"receivers", {{NETWORK_COMMON_RECEIVERS, none}}},
      {"profiles", {{NETWORK_COMMON_PROFILES, none}, {NETWORK_DAYTYPENAMES, none}}},
      {"day-types", {{NETWORK_DAYTYPENAMES, none}}},
      {"holidays", {{NETWORK_HOLIDAYLABELS, none}, {NETWORK_DAYTYPENAMES, none}}},
      {"calendar", {{NETWORK_PROFILE_CALENDAR, none}, {NETWORK_DAYTYPENAMES, none}}},
      {"set-receiver-change",
       {{NETWORK_COMMON_RECEIVERS, none},
        {NETWORK_RECEIVER_UPDATE, Encode(changed)},
        {NETWORK_COMMON_RECEIVERTYPES, none}}},
      {"set-receiver-add",
       {{NETWORK_COMMON_RECEIVERS, none},
        {NETWORK_RECEIVER_UPDATE, Encode(added)},
        {NETWORK_COMMON_RECEIVERTYPES, none}}},
      {"remove-receiver",
       {{NETWORK_COMMON_RECEIVERS, none},
        {NETWORK_RECEIVER_REMOVE, Encode(ReceiverRemove{"Duty manager"})},
        {NETWORK_COMMON_RECEIVERTYPES, none}}},
      {"export-profile", {{NETWORK_COMMON_PROFILES, none}, {NETWORK_DAYTYPENAMES, none}}},
      {"import-profile",
       {{NETWORK_COMMON_PROFILES, none},
        {NETWORK_PROFILE_UPDATE, ProfileUpdate(server->state, 0, "Imported")},
        {NETWORK_COMMON_PROFILES, none}}},
      {"remove-profile",
       {{NETWORK_COMMON_PROFILES, none},
        {NETWORK_PROFILE_REMOVE, Encode(ProfileRemoveRequest{"Office hours"})},
        {NETWORK_COMMON_RECEIVERTYPES, none}}},
      {"render-schedule", {{NETWORK_COMMON_PROFILES, none}, {NETWORK_DAYTYPENAMES, none}}},
      {"render-calendar",
       {{NETWORK_COMMON_PROFILES, none},
        {NETWORK_HOLIDAYLABELS, none},
        {NETWORK_DAYTYPENAMES, none},
        {NETWORK_DAYTYPENAMES, none},
        {NETWORK_PROFILE_CALENDAR, none}}},
      {"rename-day-type",
       {{NETWORK_DAYTYPENAMES_UPDATE, Encode(DayTypeNameUpdateRequest{7, "Public holiday"})},
        {NETWORK_COMMON_RECEIVERTYPES, none}}},
      {"set-calendar",
       {{NETWORK_DAYTYPENAMES, none},
        {NETWORK_GLOBAL_CALENDAR_UPDATE, Encode(CalendarPairs{{{9854, 8}, {9855, 8}}})},
        {NETWORK_COMMON_RECEIVERTYPES, none}}},
      {"send-message",
       {{NETWORK_TEXTMESSAGE_SUBMITMESSAGE,
         Encode(SubmitMessageRequest{{"Fire brigade", "Maintenance"}, "Fire drill"})},
        {NETWORK_COMMON_RECEIVERTYPES, none}}},
      {"last-message",
       {{NETWORK_TEXTMESSAGE_LASTMSGRECEIVERS, none}, {NETWORK_TEXTMESSAGE_LASTMSGTEXT, none}}},
      {"command",
       {{NETWORK_SUBMIT_COMMANDENTRY, Encode(CommandEntryRequest{"RR"})},
        {NETWORK_COMMON_RECEIVERTYPES, none}}},
      {"watch", {}},
  };
  const std::vector<std::pair<int, std::string>> watched = {
      {NETWORK_RECEIVER_UPDATE, Encode(changed)},
      {NETWORK_RECEIVER_REMOVE, Encode(ReceiverRemove{"Maintenance"})}};

  const auto subcommands = fuzz::CliSubcommands("", "");
  for (size_t i = 0; i < subcommands.size(); ++i) {
    const std::string& label = subcommands[i].label;
    const auto found = requests.find(label);
    if (found == requests.end()) fuzz::Abort("no seed for subcommand " + label);
    const std::string stream =
        Answers(demo, found->second, label == "watch" ? watched : decltype(watched){});
    // The month byte picks December 2026 for render-calendar.
    const char options = label == "render-calendar" ? static_cast<char>(11 << 3) : 0;
    Seed("cli_answers", label, std::string{static_cast<char>(i), options} + stream);
    // The same with --json.
    Seed("cli_answers", label + "-json",
         std::string{static_cast<char>(i), static_cast<char>(options | 1)} + stream);
  }
  // A login (--password) and an area (--area) before the subcommand.
  const std::vector<std::pair<int, std::string>> login = {
      {NETWORK_COMMON_PASSWORD, Encode(PasswordRequest{"admin"})},
      {NETWORK_COMMON_AREA, Encode(AreaRequest{"Control room"})},
      {NETWORK_COMMON_RECEIVERTYPES, none},
      {NETWORK_COMMON_RECEIVERS, none}};
  Seed("cli_answers", "login-area-receivers", std::string{2, 6} + Answers(demo, login));
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make-fuzz-seeds CORPUS_DIR\n");
    return 2;
  }
  g_corpus = argv[1];
  const fuzz::DemoServer demo;
  FileSeeds(demo);
  IniSeeds(demo);
  DispatchSeeds(demo);
  CliSeeds(demo);
  return 0;
}
