// The requests of the client protocol against the real server: login levels,
// receivers, profiles, day types, holidays, the global calendar, messages and
// command entries, each group on one scratch project over loopback.

#include <gtest/gtest.h>

#include <cstdio>

#include "protocol/messages.h"
#include "schedule/calendar.h"
#include "store/profiles.h"
#include "store/receivers.h"
#include "store/users.h"
#include "testing/harness.h"

namespace orlund::testing {
namespace {

using std::chrono::milliseconds;

// A long keep-alive interval: clients that only listen are not dropped.
constexpr char kQuiet[] = "ActiveXKeepAliveInterval=60000\n";

// The payload of the next packet, which must be of `type`.
std::string Answer(Client& client, int type, milliseconds limit = milliseconds(3000)) {
  auto packet = client.ReadSkippingKeepAlives(limit);
  if (!packet) {
    ADD_FAILURE() << "no answer of type " << type;
    return "";
  }
  EXPECT_EQ(packet->type, type);
  return packet->payload;
}

int32_t Level(Client& client, const std::string& password) {
  client.Send(6, EncodeString(password));
  std::string payload = Answer(client, 7);
  size_t pos = 0;
  return payload.size() == 4 ? DecodeInt32(payload, pos) : -1;
}

TEST(RequestsTest, LoginLevelsWhenLoginIsRequired) {
  Project project(std::string("RequireActiveXLogin=1\n") + kQuiet);
  WriteFile(project.dir + "Orlund_Users.dat",
            EncodeUsersFile(std::vector<UserRecord>{
                UserRecord{"ann", "Secret", 9}, UserRecord{"bob", "SECRET", 5},
                UserRecord{"eve", "", 7}, UserRecord{"dan", "other", 3}}));
  auto server = project.Start();
  Client client(project.port);
  auto start = client.ReadStartPackets();
  ASSERT_EQ(start.size(), 4u);
  EXPECT_EQ(start[3].payload, Bytes({0, 0, 0, 0}));

  EXPECT_EQ(Level(client, "sEcReT"), 9);  // letter case ignored, the earlier user wins
  EXPECT_EQ(Level(client, "OTHER"), 3);
  EXPECT_EQ(Level(client, ""), 0);  // never matches the user whose password is empty
  EXPECT_EQ(Level(client, "wrong"), 0);
  EXPECT_EQ(Level(client, "other"), 3);

  // The user file is read at every login; without users nobody can log in.
  ASSERT_EQ(std::remove((project.dir + "Orlund_Users.dat").c_str()), 0);
  EXPECT_EQ(Level(client, "wrong"), 32767);
  WriteFile(project.dir + "Orlund_Users.dat", EncodeUsersFile(std::vector<UserRecord>{}));
  EXPECT_EQ(Level(client, ""), 32767);
}

std::string Receiver(const std::string& name, int16_t flag, int16_t word, int16_t type,
                     const std::string& text, const std::array<std::string, 4>& settings) {
  return Encode(ReceiverEntry{name, flag, word, type, text, settings});
}

TEST(RequestsTest, ReceiversAreSharedWithEveryClientAndSavedAtTheNextTick) {
  Project project(kQuiet);
  WriteFile(project.dir + "Orlund_Users.dat",
            EncodeUsersFile(std::vector<UserRecord>{UserRecord{"ann", "secret", 9}}));
  auto server = project.Start();
  Client sender(project.port);
  Client other(project.port);
  ASSERT_EQ(sender.ReadStartPackets().size(), 4u);
  ASSERT_EQ(other.ReadStartPackets().size(), 4u);

  // No login required: every password, right or wrong, gives the top level,
  // and the whole answer is nine bytes.
  for (const char* password : {"secret", "", "wrong"}) {
    sender.Send(6, EncodeString(password));
    auto packet = sender.ReadSkippingKeepAlives();
    ASSERT_TRUE(packet.has_value());
    EXPECT_EQ(Frame(packet->type, packet->payload), Bytes({7, 0, 0, 0, 4, 0, 0, 127, 255}));
  }

  // No receiver type definitions: a zero count, also for a request with a payload.
  sender.Send(4);
  sender.Send(4, "ignored");
  for (int i = 0; i < 2; ++i) {
    auto packet = sender.ReadSkippingKeepAlives();
    ASSERT_TRUE(packet.has_value());
    EXPECT_EQ(Frame(packet->type, packet->payload), Bytes({4, 0, 0, 0, 2, 0, 0}));
  }

  // An update reaches every client, the sender included, byte for byte; one
  // naming the same receiver in other letter case replaces it.
  std::string first = Receiver("Front Door", -1, 12, 3, "ground floor", {"1", "x", "", ""});
  std::string second = Receiver("FRONT DOOR", 0, 7, 4, "moved", {"", "", "2.5", "last"});
  for (const std::string& entry : {first, second}) {
    sender.Send(100, entry);
    EXPECT_EQ(Answer(sender, 100), entry);
    EXPECT_EQ(Answer(other, 100), entry);
  }
  other.Send(5);
  EXPECT_EQ(Answer(other, 5), EncodeInt16(1) + second);

  // Removing an absent name changes nothing but is passed on to the others.
  other.Send(101, EncodeString("No Such Receiver"));
  EXPECT_EQ(Answer(sender, 101), EncodeString("No Such Receiver"));
  EXPECT_FALSE(other.ReadSkippingKeepAlives(milliseconds(300)).has_value());

  // The next tick writes the receiver files and tells the alarm server.
  std::string queue = project.home.path() + "queue";
  ASSERT_TRUE(WaitFor([&] { return QueuedCommands(queue) == std::vector<std::string>{"RR"}; }))
      << ::testing::PrintToString(QueuedCommands(queue));
  ReceiverFile saved = DecodeReceiverFile(ReadFile(project.dir + "Receivers/Receiver_0000.dat"));
  ASSERT_EQ(saved.status, ReceiverFile::Status::kLoaded);
  EXPECT_EQ(saved.record.Name, "FRONT DOOR");
  EXPECT_EQ(saved.record.ReceiverText, "moved");
  EXPECT_EQ(saved.record.ReceiverWord, 7);
  EXPECT_FALSE(PathExists(project.dir + "Receivers/Receiver_0001.dat"));

  // 300 new names in one write: 299 fill the table, the last is dropped
  // without an echo, so the table answer follows the 299th echo directly.
  std::string burst;
  for (int i = 0; i < 300; ++i) {
    burst += Frame(100, Receiver("Pager " + std::to_string(i), 0, i, 1, "", {}));
  }
  sender.SendRaw(burst + Frame(5, ""));
  for (int i = 0; i < 299; ++i) {
    ASSERT_EQ(Answer(sender, 100), Receiver("Pager " + std::to_string(i), 0, i, 1, "", {})) << i;
  }
  std::string table = Answer(sender, 5);
  size_t pos = 0;
  ASSERT_GE(table.size(), 2u);
  EXPECT_EQ(DecodeInt16(table, pos), 300);
  EXPECT_FALSE(Contains(table, "Pager 299"));
}

ProfileRecord SampleProfile(const std::string& name, int seed) {
  ProfileRecord p;
  p.ProfileWord = static_cast<int16_t>(seed);
  p.Name = name;
  for (size_t i = 0; i < p.WordsA.size(); ++i) p.WordsA[i] = static_cast<int16_t>(seed + i);
  p.TextA = "text a " + std::to_string(seed);
  p.TextB = "b";
  for (size_t i = 0; i < p.TextList.size(); ++i) p.TextList[i] = "item " + std::to_string(i);
  p.WordsB = {static_cast<int16_t>(-seed), 2, 3};
  p.TextC = "c";
  p.WordsC = {static_cast<int16_t>(seed * 3), 0};
  p.TextD = "d";
  p.TextE = "e\xfe";
  p.WordD = -1;
  for (size_t i = 0; i < p.WordTable.size(); ++i) p.WordTable[i] = static_cast<int16_t>(i * seed);
  return p;
}

std::unique_ptr<cTimeSchedule> SampleSchedule(int seed) {
  auto s = std::make_unique<cTimeSchedule>();
  s->AppendPeriod(0, static_cast<int16_t>(60 * seed), static_cast<int16_t>(60 * seed + 90));
  s->AppendPeriod(9, 0, static_cast<int16_t>(1440 - seed));
  s->m_UseCalendar = -1;
  return s;
}

std::vector<ProfileEntry> DecodeProfiles(const std::string& payload) {
  return Decode<ProfilesAnswer>(payload).profiles;
}

std::string ProfileUpdate(const std::string& name, const std::string& inner_name, int seed) {
  return Encode(ProfileUpdateRequest{
      name, {SampleProfile(inner_name, seed), SampleSchedule(seed)->ComposePeriodArray()}});
}

const std::vector<std::string> kDayTypeNames = {
    "Monday",         "Tuesday",        "Wednesday",      "Thursday",       "Friday",
    "Saturday",       "Sunday",         "Public holiday", "Half holiday",   "Company holiday",
    "Bridge day",     "Christmas Eve",  "New Year's Eve", "School holiday", "Maintenance day",
    "Special day 9",  "Special day 10", "Special day 11", "Special day 12", "Special day 13",
    "Special day 14", "Special day 15", "Special day 16"};

std::vector<std::string> DecodeNames(const std::string& payload) {
  PayloadReader reader(payload);
  std::vector<std::string> names;
  while (reader.remaining() > 0) names.push_back(reader.DecodeString());
  return names;
}

TEST(RequestsTest, ProfilesDayTypesHolidaysAndTheGlobalCalendar) {
  ScratchDir app;
  WriteFile(app.path() + "Orlund_Texts.ENG", ReadFile(BinDir() + "Orlund_Texts.ENG"));
  Project project(kQuiet);
  auto server = project.Start({"/APPPATH:" + app.path()});
  Client client(project.port);
  ASSERT_EQ(client.ReadStartPackets().size(), 4u);

  client.Send(8);
  EXPECT_EQ(Answer(client, 8), EncodeInt16(0));

  // The leading name wins over the one inside the encoded profile; an update
  // in other letter case replaces the profile and takes the request's name.
  const std::vector<std::string> names = {"Night Shift", "Day Shift", "Weekend"};
  for (int i = 0; i < 3; ++i) {
    client.Send(120, ProfileUpdate(names[i], "inner name", i + 1));
  }
  client.Send(120, ProfileUpdate("NIGHT SHIFT", "x", 7));
  client.Send(8);
  auto profiles = DecodeProfiles(Answer(client, 8));
  ASSERT_EQ(profiles.size(), 3u);
  ProfileRecord expected = SampleProfile("NIGHT SHIFT", 7);
  expected.WordsC[1] = 0;
  EXPECT_EQ(profiles[0].record, expected);
  EXPECT_EQ(profiles[0].period_array, SampleSchedule(7)->ComposePeriodArray());
  EXPECT_EQ(profiles[1].record.Name, "Day Shift");

  // Removing the middle one keeps the others with their own schedules.
  client.Send(121, EncodeString("day SHIFT"));
  client.Send(121, EncodeString("absent"));
  client.Send(8);
  profiles = DecodeProfiles(Answer(client, 8));
  ASSERT_EQ(profiles.size(), 2u);
  EXPECT_EQ(profiles[0].record.Name, "NIGHT SHIFT");
  EXPECT_EQ(profiles[0].period_array, SampleSchedule(7)->ComposePeriodArray());
  EXPECT_EQ(profiles[1].record.Name, "Weekend");
  EXPECT_EQ(profiles[1].period_array, SampleSchedule(3)->ComposePeriodArray());

  // The next tick writes one file per profile and tells the alarm server.
  std::string queue = project.home.path() + "queue";
  ASSERT_TRUE(WaitFor([&] { return QueuedCommands(queue) == std::vector<std::string>{"RP:-1"}; }))
      << ::testing::PrintToString(QueuedCommands(queue));
  std::vector<std::string> saved;
  for (const auto& entry : std::filesystem::directory_iterator(project.dir + "Profiles")) {
    std::string file = entry.path().filename().string();
    if (!file.starts_with("Profile_")) continue;
    ProfileRecord record;
    std::unique_ptr<cTimeSchedule> schedule;
    ASSERT_EQ(DecodeProfileFile(ReadFile(entry.path()), record, schedule).status,
              ProfileFile::Status::kLoaded);
    EXPECT_EQ(file, ProfileFileName(record.ProfileNumber));
    saved.push_back(record.Name + " " + schedule->ComposePeriodArray());
  }
  std::sort(saved.begin(), saved.end());
  EXPECT_EQ(saved,
            (std::vector<std::string>{"NIGHT SHIFT " + SampleSchedule(7)->ComposePeriodArray(),
                                      "Weekend " + SampleSchedule(3)->ComposePeriodArray()}));

  // Day type names: weekday texts, then the INI names or their defaults.
  client.Send(160);
  EXPECT_EQ(DecodeNames(Answer(client, 160)), kDayTypeNames);
  client.Send(161, EncodeInt16(9) + EncodeString("Inventory day"));
  client.Send(161, EncodeInt16(3) + EncodeString("Donnerstag"));  // weekdays are not stored
  client.Send(161, EncodeInt16(23) + EncodeString("out of range"));
  client.Send(161, EncodeInt16(-1) + EncodeString("out of range"));
  client.Send(160);
  std::vector<std::string> renamed = kDayTypeNames;
  renamed[9] = "Inventory day";
  EXPECT_EQ(DecodeNames(Answer(client, 160)), renamed);
  std::string ini = ReadFile(project.dir + "Orlund_Server.ini");
  EXPECT_TRUE(Contains(ini, "DayType2=Inventory day")) << ini;
  EXPECT_FALSE(Contains(ini, "out of range")) << ini;

  // Holiday labels come from the application directory's file; without one
  // there is no answer at all.
  client.Send(140);
  EXPECT_FALSE(client.ReadSkippingKeepAlives(milliseconds(1000)).has_value());
  WriteFile(app.path() + "Orlund_Holidays.ENG",
            "; comment line\n\n2039-12-31;3;-1;  Last day  \n1999-12-31;1;-1;Too early\n"
            "2000/01/01;2;0;First day\n");
  client.Send(140);
  EXPECT_EQ(Answer(client, 140), EncodeInt16(2) + EncodeInt32(14609) + EncodeInt16(3) +
                                     EncodeInt16(-1) + EncodeString("Last day") + EncodeInt32(0) +
                                     EncodeInt16(2) + EncodeInt16(0) + EncodeString("First day"));

  // The global calendar: an update replaces it, pairs outside the calendar
  // are skipped, and the answer lists the non-zero days in ascending order.
  client.Send(181, EncodeInt16(6) + EncodeInt16(14609) + EncodeInt16(3) + EncodeInt16(5) +
                       EncodeInt16(0) + EncodeInt16(0) + EncodeInt16(8) + EncodeInt16(20000) +
                       EncodeInt16(4) + EncodeInt16(-2) + EncodeInt16(4) + EncodeInt16(400) +
                       EncodeInt16(12));
  std::string pairs = EncodeInt16(3) + EncodeInt16(0) + EncodeInt16(8) + EncodeInt16(400) +
                      EncodeInt16(12) + EncodeInt16(14609) + EncodeInt16(3);
  client.Send(180);
  EXPECT_EQ(Answer(client, 180), pairs);
  std::string file = ReadFile(GlobalCalendarPath(project.dir));
  ASSERT_EQ(file.size(), kCalendarFileSize);
  cCalendar on_disk;
  ASSERT_TRUE(on_disk.ReadFromDisk(GlobalCalendarPath(project.dir)));
  int non_zero = 0;
  for (int day = 0; day < kCalendarDayCount; ++day) non_zero += on_disk.GetDayType(day) != 0;
  EXPECT_EQ(non_zero, 3);
  EXPECT_EQ(on_disk.GetDayType(0), 8);
  EXPECT_EQ(on_disk.GetDayType(400), 12);
  EXPECT_EQ(on_disk.GetDayType(14609), 3);

  // An update with fewer pairs than announced, or a negative count, changes
  // nothing, neither the calendar nor its file.
  client.Send(181, EncodeInt16(2) + EncodeInt16(1) + EncodeInt16(1));
  client.Send(181, EncodeInt16(-1));
  client.Send(180);
  EXPECT_EQ(Answer(client, 180), pairs);
  EXPECT_EQ(ReadFile(GlobalCalendarPath(project.dir)), file);
}

TEST(RequestsTest, MessagesAndCommandsAreQueuedAndTheLastMessageOutlivesARestart) {
  Project project(kQuiet);
  auto server = project.Start();
  {
    Client client(project.port);
    ASSERT_EQ(client.ReadStartPackets().size(), 4u);
    client.Send(61);
    EXPECT_EQ(Answer(client, 61), EncodeString(""));

    const std::string message =
        "Gate A\xfeGate B\xfe"
        "Fire drill at 10\xe4";
    client.Send(60, EncodeString(message));
    client.Send(190, EncodeString("SOME;COMMAND \xfe text"));
    client.Send(60, EncodeString("no separator"));  // queued, not remembered
    client.Send(190, EncodeString(""));
    client.Send(61);
    EXPECT_EQ(Answer(client, 61), EncodeString("Gate A\xffGate B"));
    client.Send(62);
    EXPECT_EQ(Answer(client, 62), EncodeString("Fire drill at 10\xe4"));

    std::vector<std::string> expected = {"FT:" + message, "SOME;COMMAND \xfe text",
                                         "FT:no separator", ""};
    std::string queue = project.home.path() + "queue";
    EXPECT_TRUE(WaitFor([&] { return QueuedCommands(queue) == expected; }))
        << ::testing::PrintToString(QueuedCommands(queue));
  }
  ASSERT_EQ(server->Stop(SIGTERM), 0);
  server = project.Start();
  Client client(project.port);
  ASSERT_EQ(client.ReadStartPackets().size(), 4u);
  client.Send(61);
  EXPECT_EQ(Answer(client, 61), EncodeString("Gate A\xffGate B"));
  client.Send(62);
  EXPECT_EQ(Answer(client, 62), EncodeString("Fire drill at 10\xe4"));
}

}  // namespace
}  // namespace orlund::testing
