#include "store/profile_record.h"

#include <gtest/gtest.h>

#include "base/errors.h"

namespace orlund {
namespace {

ProfileRecord Full() {
  ProfileRecord r;
  r.ProfileNumber = 42;
  r.ProfileWord = -7;
  r.Name = "Nacht\xE9";
  r.WordsA = {1, 2, 3, 4, 5, 6};
  r.TextA = "A";
  r.TextB = "BB";
  r.TextList = {"l0", "", "l2", "", "", "l5"};
  r.WordsB = {7, 8, 9};
  r.TextC = "C";
  r.WordsC = {10, -11};
  r.TextD = "D";
  r.TextE = "\x80\xFF";
  r.WordD = 32767;
  for (int i = 0; i < 64; ++i) r.WordTable[i] = static_cast<int16_t>(i * 100 - 3000);
  return r;
}

std::string Encoded(const ProfileRecord& r) {
  ByteWriter w;
  EncodeProfileRecord(r, w);
  return w.Take();
}

TEST(ProfileRecordTest, FieldsLieAtTheirHandComputedOffsetsAndReadBack) {
  const std::string b = Encoded(Full());
  // 78 integers, 12 length words and the text bytes.
  ASSERT_EQ(b.size(), 180u + 6 + 1 + 2 + 2 + 2 + 2 + 1 + 1 + 2);
  EXPECT_EQ(b.substr(0, 12), std::string("\x2A\x00\xF9\xFF\x06\x00Nacht\xE9", 12));
  EXPECT_EQ(b.substr(12, 2), std::string("\x01\x00", 2));  // WordsA(0)
  // After WordsA (12..23): TextA "A", TextB "BB", TextList(0) "l0".
  EXPECT_EQ(b.substr(24, 11), std::string("\x01\x00"
                                          "A\x02\x00"
                                          "BB\x02\x00"
                                          "l0",
                                          11));
  // WordD = 32767, then the 64 words of WordTable, the last 3300 = 0x0CE4.
  EXPECT_EQ(b.substr(b.size() - 130, 2), std::string("\xFF\x7F", 2));
  EXPECT_EQ(b.substr(b.size() - 2), std::string("\xE4\x0C", 2));

  ByteReader r(b);
  ProfileRecord back;
  DecodeProfileRecord(r, back);
  EXPECT_TRUE(r.AtEnd());
  EXPECT_EQ(back, Full());
}

}  // namespace
}  // namespace orlund
