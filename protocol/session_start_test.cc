#include "protocol/session_start.h"

#include <gtest/gtest.h>

#include "base/file_utils.h"
#include "testing/test_temp_dir.h"

namespace orlund {
namespace {

TEST(IniParametersTest, AtMostTwentySectionsAndCommentOnlySectionsAreEmpty) {
  TestTempDir dir;
  std::string ini = "[Quiet]\r\n; only a comment\r\n\r\n";
  for (int i = 1; i < 25; ++i) ini += "[S" + std::to_string(i) + "]\r\nk=v\r\n; no\r\nx=y\r\n";
  ASSERT_TRUE(WriteFileAtomically(dir.path() + "Orlund_Server.ini", ini));
  const IniParameters parameters = ReadIniParameters(dir.path() + "Orlund_Server.ini");
  ASSERT_EQ(parameters.sections.size(), 20u);
  EXPECT_EQ(parameters.sections[0], (IniSection{"Quiet", ""}));
  EXPECT_EQ(parameters.sections[19], (IniSection{"S19", std::string("k=v\0x=y\0", 8)}));

  EXPECT_TRUE(ReadIniParameters(dir.path() + "missing.ini").sections.empty());
}

}  // namespace
}  // namespace orlund
