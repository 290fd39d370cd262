#include "store/settings_store.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include "testing/test_temp_dir.h"

namespace orlund {
namespace {

using namespace std::string_literals;

TEST(SettingsStoreTest, PathsFollowTheKey) {
  EXPECT_EQ(SettingPath("/r", kProjectPathKey, kProjectPathValue),
            "/r/SOFTWARE/Kestrum/Orlund Alarm Server/Version 2/ProjectPath");
  EXPECT_EQ(SettingPath("/r", "\\a\\\\b\\", "v"), "/r/a/b/v");
  for (const auto& [root, key, name] :
       std::vector<std::array<std::string, 3>>{{"", "a", "v"},
                                               {"/r", "a", ""},
                                               {"/r", "a", "x/y"},
                                               {"/r", "a\\..\\b", "v"},
                                               {"/r", "a/b", "v"}}) {
    EXPECT_FALSE(SettingPath(root, key, name)) << key << " " << name;
  }
}

TEST(SettingsStoreTest, DecodesTextAndNumberValues) {
  const std::vector<std::pair<std::string, std::optional<std::string>>> cases = {
      {"D:\\Data", "D:\\Data"},
      {"/srv/project/\r\n", "/srv/project/"},
      {"x\n\n", "x\n"},  // exactly one line end goes
      {"x\0\n"s, "x"},
      {"dword:00000007", "7"},
      {"dword:ffffffff\n", "-1"},
      {"dword:80000000", "-2147483648"},
      {"dword:7", ""},
      {std::string(1024, 'a') + "\n", std::string(1024, 'a')},
      {std::string(1025, 'a'), std::nullopt},
  };
  for (const auto& [bytes, value] : cases) EXPECT_EQ(DecodeRegistryValue(bytes), value) << bytes;
}

TEST(SettingsStoreTest, ValuesInFiles) {
  TestTempDir dir;
  EXPECT_EQ(ReadRegistryValue(kProjectPathValue, "dflt", kProjectPathKey, dir.path()), "dflt");
  ASSERT_TRUE(WriteSetting(dir.path(), kServiceParametersKey, kRunAsServiceValue, "1"));
  EXPECT_EQ(
      dir.Get("SYSTEM/CurrentControlSet/Services/OrlundActiveXServer/Parameters/RunAsService"),
      "1");
  EXPECT_EQ(ReadRegistryValue(kRunAsServiceValue, "0", kServiceParametersKey, dir.path()), "1");
  ASSERT_TRUE(WriteSetting(dir.path(), kProjectPathKey, kProjectPathValue, std::string(2000, 'x')));
  EXPECT_EQ(ReadRegistryValue(kProjectPathValue, "dflt", kProjectPathKey, dir.path()), "dflt");
  // A key (directory) is no value.
  EXPECT_EQ(
      ReadRegistryValue("Version 2", "dflt", "SOFTWARE\\Kestrum\\Orlund Alarm Server", dir.path()),
      "dflt");

  // Message values keep every byte.
  std::string all;
  for (int c = 0; c < 256; ++c) all += static_cast<char>(c);
  for (const std::string& value : {all, "text\r\n"s, ""s, "\n"s}) {
    ASSERT_TRUE(WriteSetting(dir.path(), kUserParametersKey, kLastMessageTextValue, value));
    EXPECT_EQ(ReadSetting(dir.path(), kUserParametersKey, kLastMessageTextValue, "dflt"), value);
  }
  EXPECT_EQ(ReadSetting(dir.path(), kUserParametersKey, kLastMessageReceiversValue, "d"), "d");
  EXPECT_FALSE(WriteSetting(dir.path(), kUserParametersKey, "../escape", "x"));
}

TEST(SettingsStoreTest, RootsComeFromTheEnvironment) {
  // Each test binary is its own process: changing its environment is safe.
  setenv("ORLUND_REGISTRY_ROOT", "", 1);
  EXPECT_EQ(RegistryRoot(), "/etc/orlund/registry");
  setenv("ORLUND_REGISTRY_ROOT", "/tmp/reg", 1);
  EXPECT_EQ(RegistryRoot(), "/tmp/reg");
  setenv("XDG_CONFIG_HOME", "/tmp/cfg", 1);
  EXPECT_EQ(UserSettingsRoot(), "/tmp/cfg/orlund");
  setenv("XDG_CONFIG_HOME", "", 1);
  setenv("HOME", "/home/op", 1);
  EXPECT_EQ(UserSettingsRoot(), "/home/op/.config/orlund");
}

}  // namespace
}  // namespace orlund
