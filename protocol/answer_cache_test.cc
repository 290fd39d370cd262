#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

#include "base/file_utils.h"
#include "protocol/messages.h"
#include "store/ini_file.h"
#include "testing/fake_transport.h"
#include "testing/test_temp_dir.h"

namespace orlund {
namespace {

// Every way a table or file a kept answer comes from can change: the next
// answer is the one built afresh, never the kept one.
TEST(AnswerCacheTest, AnswerAfterEveryKindOfChangeIsBuiltAfresh) {
  ProfileEntry profile;
  profile.period_array = cTimeSchedule().ComposePeriodArray();
  ReceiverEntry receiver;
  receiver.Name = "R0";
  receiver.ReceiverText = "new";
  struct Case {
    const char* what;
    int type;
    std::function<void(TestServer&, FakeClient&, const std::string& dir)> change;
  };
  const std::vector<Case> cases = {
      {"receiver update", 5,
       [&](TestServer& s, FakeClient& c, auto&) { Request(s, c, 100, Encode(receiver)); }},
      {"receiver removal", 5,
       [](TestServer& s, FakeClient& c, auto&) {
         Request(s, c, 101, Encode(ReceiverRemove{"R0"}));
       }},
      {"profile update", 8,
       [&](TestServer& s, FakeClient& c, auto&) {
         Request(s, c, 120, Encode(ProfileUpdateRequest{"P1", profile}));
       }},
      {"profile removal", 8,
       [](TestServer& s, FakeClient& c, auto&) {
         Request(s, c, 121, Encode(ProfileRemoveRequest{"P0"}));
       }},
      {"number drawn by a save", 8,
       [](TestServer& s, FakeClient&, auto&) {
         s.state.data.profiles.Profiles[0].ProfileNumber = 42;
       }},
      {"day type rename", 160,
       [](TestServer& s, FakeClient& c, auto&) {
         Request(s, c, 161, Encode(DayTypeNameUpdateRequest{8, "Renamed"}));
       }},
      {"INI file changed on disk", 160,
       [](TestServer&, FakeClient&, const std::string& dir) {
         WriteIniValue(dir, "Calendar", "DayType3", "Outside", "Orlund_Server.ini");
       }},
      {"calendar update", 180,
       [](TestServer& s, FakeClient& c, auto&) {
         Request(s, c, 181, Encode(CalendarPairs{{{3, 2}}}));
       }},
      {"calendar file changed on disk", 180,
       [](TestServer&, FakeClient&, const std::string& dir) {
         WriteFileAtomically(dir + "Profiles/GlobalCalendar.dat", std::string(29220, '\1'));
       }},
  };
  for (const Case& c : cases) {
    TestTempDir dir;
    TestServer server;
    server.state.ProjectDirectory = dir.path();
    std::filesystem::create_directories(dir.path() + "Profiles");
    server.state.data.receivers.Receivers[0].Name = "R0";
    server.state.data.receivers.ReceiverCount = 1;
    server.state.data.profiles.Profiles[0].Name = "P0";
    server.state.data.profiles.ProfileCount = 1;
    FakeClient client = server.Join();

    Request(server, client, c.type);
    const std::string before = Sent(client);
    c.change(server, client, dir.path());
    Sent(client);
    Request(server, client, c.type);
    const std::string after = Sent(client);
    server.state.answers.ForgetAll();
    Request(server, client, c.type);
    EXPECT_EQ(after, Sent(client)) << c.what;
    EXPECT_NE(after, before) << c.what;
  }
}

}  // namespace
}  // namespace orlund
