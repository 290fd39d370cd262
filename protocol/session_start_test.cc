#include "protocol/session_start.h"

#include <gtest/gtest.h>

#include "base/file_utils.h"
#include "protocol/codec.h"
#include "testing/test_temp_dir.h"

namespace orlund {
namespace {

TEST(IniParametersTest, AtMostTwentySectionsAndCommentOnlySectionsAreEmpty) {
  TestTempDir dir;
  std::string ini = "[Quiet]\r\n; only a comment\r\n\r\n";
  for (int i = 1; i < 25; ++i) ini += "[S" + std::to_string(i) + "]\r\nk=v\r\n; no\r\nx=y\r\n";
  ASSERT_TRUE(WriteFileAtomically(dir.path() + "Orlund_Server.ini", ini));
  std::string payload = IniParametersPayload(dir.path() + "Orlund_Server.ini");
  size_t pos = 0;
  EXPECT_EQ(DecodeInt16(payload, pos), 20);
  EXPECT_EQ(DecodeString(payload, pos), "Quiet");
  EXPECT_EQ(DecodeString(payload, pos), "");
  std::string name;
  std::string lines;
  for (int i = 1; i < 20; ++i) {
    name = DecodeString(payload, pos);
    lines = DecodeString(payload, pos);
  }
  EXPECT_EQ(name, "S19");
  EXPECT_EQ(lines, std::string("k=v\0x=y\0", 8));
  EXPECT_EQ(pos, payload.size());

  EXPECT_EQ(IniParametersPayload(dir.path() + "missing.ini"), EncodeInt16(0));
}

}  // namespace
}  // namespace orlund
