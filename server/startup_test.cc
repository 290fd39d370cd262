#include "server/startup.h"

#include <gtest/gtest.h>

#include "base/file_utils.h"
#include "store/ini_file.h"
#include "testing/test_temp_dir.h"

namespace orlund {
namespace {

TEST(ResolveDirectoriesTest, DefaultsRegistryAndSwitchesInThatOrder) {
  CommandLine none;
  ServerDirectories d = ResolveDirectories(none, "/opt/orlund/bin", "");
  EXPECT_EQ(d.ApplicationDirectory, "/opt/orlund/bin/");
  EXPECT_EQ(d.ProjectDirectory, "/opt/orlund/bin/Project/");

  EXPECT_EQ(ResolveDirectories(none, "/opt/bin/", "/srv/alarm").ProjectDirectory, "/srv/alarm/");

  CommandLine both = ParseCommandLine({"/path:/data/proj/  ", "/apppath:/prog"});
  d = ResolveDirectories(both, "/opt/bin/", "/srv/alarm");
  EXPECT_EQ(d.ProjectDirectory, "/data/proj/");
  EXPECT_EQ(d.ApplicationDirectory, "/prog/");
}

TEST(NormaliseSettingsTest, NumbersFlagsAndKeepAliveFloor) {
  SettingTexts t;
  t.ActiveXServerPort = " 4000.4xyz";
  t.ActiveXKeepAliveInterval = "250";
  t.RequireActiveXLogin = "no";
  t.StoreActiveXMessagesByServer = "yes";
  t.ActiveXConsolePort = "58659";
  t.ActiveXConsoleMetricsOpen = "yes";
  ServerSettings s;
  std::string error;
  ASSERT_TRUE(NormaliseSettings(t, s, error));
  EXPECT_EQ(s.ActiveXConsolePort, 58659);
  EXPECT_FALSE(s.ActiveXConsoleMetricsOpen);
  EXPECT_EQ(s.ActiveXServerPort, 4000);
  EXPECT_EQ(s.ActiveXKeepAliveInterval, 1000);
  EXPECT_TRUE(s.RequireActiveXLogin);
  EXPECT_FALSE(s.StoreActiveXMessagesByServer);

  t.ActiveXServerPort = "&HE522";
  t.ActiveXKeepAliveInterval = "-5";
  t.RequireActiveXLogin = "0";
  t.StoreActiveXMessagesByServer = "1";
  ASSERT_TRUE(NormaliseSettings(t, s, error));
  EXPECT_EQ(s.ActiveXServerPort, 58658);
  EXPECT_EQ(s.ActiveXKeepAliveInterval, 0);
  EXPECT_FALSE(s.RequireActiveXLogin);
  EXPECT_TRUE(s.StoreActiveXMessagesByServer);

  t.ActiveXKeepAliveInterval = "16383749";
  ASSERT_TRUE(NormaliseSettings(t, s, error));
  EXPECT_EQ(s.ActiveXKeepAliveInterval, 16383749);
}

TEST(NormaliseSettingsTest, PortAndKeepAliveOutsideTheirRangeStopStartUp) {
  ServerSettings s;
  std::string error;
  for (const char* port : {"0", "65536", "abc", "-1", "99999999999"}) {
    SettingTexts t;
    t.ActiveXServerPort = port;
    EXPECT_FALSE(NormaliseSettings(t, s, error)) << port;
    EXPECT_EQ(error, std::string("Orlund ActiveX Server port ") + port +
                         " is not a valid port number (1 to 65535)!");
  }
  SettingTexts console;
  console.ActiveXConsolePort = "65536";
  EXPECT_FALSE(NormaliseSettings(console, s, error));
  EXPECT_EQ(error,
            "Orlund ActiveX Server console port 65536 is not a valid port number (1 to "
            "65535, or 0 for no console)!");
  SettingTexts t;
  t.ActiveXKeepAliveInterval = "16383750";
  EXPECT_FALSE(NormaliseSettings(t, s, error));
  EXPECT_EQ(error,
            "Orlund ActiveX Server keep-alive interval 16383750 ms is too large (at most 16383749 "
            "ms)!");
  EXPECT_EQ(s.ActiveXServerPort, 58658);  // nothing changed by a refusal
}

TEST(ReadSettingTextsTest, EmptyLanguageIsTakenFromGeneralAndWrittenBack) {
  TestTempDir dir;
  ASSERT_TRUE(WriteFileAtomically(dir.path() + "Orlund_Server.ini",
                                  "[General]\nLanguage=ENG\n[ActiveX]\nActiveXServerPort=7\n"));
  SettingTexts t = ReadSettingTexts(dir.path());
  EXPECT_EQ(t.ActiveXLanguage, "ENG");
  EXPECT_EQ(t.ActiveXServerPort, "7");
  EXPECT_EQ(t.AllowedActiveXClientAddresses, "*");
  EXPECT_EQ(t.ActiveXKeepAliveInterval, "5000");
  EXPECT_EQ(ReadIniValue(dir.path(), "ActiveX", "ActiveXLanguage", "", "Orlund_Server.ini"), "ENG");

  ASSERT_TRUE(WriteIniValue(dir.path(), "ActiveX", "ActiveXLanguage", "DEU", "Orlund_Server.ini"));
  EXPECT_EQ(ReadSettingTexts(dir.path()).ActiveXLanguage, "DEU");
  EXPECT_EQ(ReadIniValue(dir.path(), "General", "Language", "", "Orlund_Server.ini"), "ENG");
}

}  // namespace
}  // namespace orlund
