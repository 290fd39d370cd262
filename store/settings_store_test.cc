#include "store/settings_store.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include "base/file_utils.h"
#include "testing/test_temp_dir.h"

namespace orlund {
namespace {

TEST(SettingsStoreTest, PathsFollowTheKey) {
  EXPECT_EQ(SettingPath("/r", kProjectPathKey, kProjectPathValue),
            "/r/SOFTWARE/Kestrum/Orlund Alarm Server/Version 2/ProjectPath");
  EXPECT_EQ(SettingPath("/r", "\\a\\\\b\\", "v"), "/r/a/b/v");
  EXPECT_FALSE(SettingPath("", "a", "v"));
  EXPECT_FALSE(SettingPath("/r", "a", ""));
  EXPECT_FALSE(SettingPath("/r", "a", "x/y"));
  EXPECT_FALSE(SettingPath("/r", "a\\..\\b", "v"));
  EXPECT_FALSE(SettingPath("/r", "a/b", "v"));
}

TEST(SettingsStoreTest, DecodesTextAndNumberValues) {
  EXPECT_EQ(DecodeRegistryValue("D:\\Data"), "D:\\Data");
  EXPECT_EQ(DecodeRegistryValue("/srv/project/\n"), "/srv/project/");
  EXPECT_EQ(DecodeRegistryValue("/srv/project/\r\n"), "/srv/project/");
  EXPECT_EQ(DecodeRegistryValue("x\n\n"), "x\n");  // exactly one line end goes
  EXPECT_EQ(DecodeRegistryValue(std::string("x\0", 2)), "x");
  EXPECT_EQ(DecodeRegistryValue(std::string("x\0\n", 3)), "x");
  EXPECT_EQ(DecodeRegistryValue("dword:00000007"), "7");
  EXPECT_EQ(DecodeRegistryValue("dword:ffffffff\n"), "-1");
  EXPECT_EQ(DecodeRegistryValue("dword:80000000"), "-2147483648");
  EXPECT_EQ(DecodeRegistryValue("dword:7"), "");
  EXPECT_EQ(DecodeRegistryValue(std::string(1024, 'a') + "\n"), std::string(1024, 'a'));
  EXPECT_FALSE(DecodeRegistryValue(std::string(1025, 'a')));
}

TEST(SettingsStoreTest, RegistryValuesFromFiles) {
  TestTempDir dir;
  EXPECT_EQ(ReadRegistryValue(kProjectPathValue, "dflt", kProjectPathKey, dir.path()), "dflt");
  ASSERT_TRUE(WriteSetting(dir.path(), kProjectPathKey, kProjectPathValue, "/srv/p\n"));
  EXPECT_EQ(ReadRegistryValue(kProjectPathValue, "", kProjectPathKey, dir.path()), "/srv/p");
  ASSERT_TRUE(WriteSetting(dir.path(), kServiceParametersKey, kRunAsServiceValue, "1"));
  EXPECT_EQ(ReadFileBytes(dir.path() +
                          "/SYSTEM/CurrentControlSet/Services/OrlundActiveXServer/Parameters/"
                          "RunAsService"),
            "1");
  EXPECT_EQ(ReadRegistryValue(kRunAsServiceValue, "0", kServiceParametersKey, dir.path()), "1");
  ASSERT_TRUE(WriteSetting(dir.path(), kProjectPathKey, kProjectPathValue, std::string(2000, 'x')));
  EXPECT_EQ(ReadRegistryValue(kProjectPathValue, "dflt", kProjectPathKey, dir.path()), "dflt");
  // A key (directory) is no value.
  EXPECT_EQ(
      ReadRegistryValue("Version 2", "dflt", "SOFTWARE\\Kestrum\\Orlund Alarm Server", dir.path()),
      "dflt");
}

TEST(SettingsStoreTest, MessageValuesRoundTripEveryByte) {
  TestTempDir dir;
  std::string root = dir.path() + "user";
  std::string all;
  for (int c = 0; c < 256; ++c) all += static_cast<char>(c);
  for (const std::string& value : {all, std::string("text\r\n"),
                                   std::string("a\xFF"
                                               "b\xFF"),
                                   std::string(), std::string("\n")}) {
    ASSERT_TRUE(WriteSetting(root, kUserParametersKey, kLastMessageTextValue, value));
    EXPECT_EQ(ReadSetting(root, kUserParametersKey, kLastMessageTextValue, "dflt"), value);
  }
  EXPECT_EQ(ReadSetting(root, kUserParametersKey, kLastMessageReceiversValue, ""), "");
  EXPECT_FALSE(WriteSetting(root, kUserParametersKey, "../escape", "x"));
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
