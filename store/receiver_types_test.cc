#include "store/receiver_types.h"

#include <gtest/gtest.h>

#include <memory>

#include "store/data_file_names.h"
#include "testing/test_temp_dir.h"

namespace orlund {
namespace {

TEST(ReceiverTypeTest, RecordFromTheGeneralSection) {
  ReceiverTypeRecord r = ReceiverTypeFromFile("ReceiverType_0012.rcv", 12,
                                              "[General]\r\nName=Pager\r\nAlgorithm=abc\r\n");
  EXPECT_EQ(r, (ReceiverTypeRecord{12, "Pager", "", "ABC", 0, "ReceiverTypes/ReceiverType_0012.INI",
                                   "ReceiverTypes/ReceiverType_0012.rcv", "", "", ""}));
  EXPECT_EQ(ReceiverTypeFromFile("RECEIVERTYPE_0003.RCV", 3, "").Name, "[none]");
  // Read as numbers are read everywhere; one that does not fit is 0.
  const std::pair<std::string, int16_t> lengths[] = {{" 12.5x", 12}, {"40000", 0}};
  for (const auto& [text, length] : lengths) {
    EXPECT_EQ(ReceiverTypeFromFile("ReceiverType_0001.rcv", 1, "[General]\nMessageLength=" + text)
                  .MessageLength,
              length)
        << text;
  }
}

TEST(ReceiverTypeTest, TemplatesTakeWholeLinesWithoutCommentsOrEmptyLines) {
  ReceiverTypeRecord r =
      ReceiverTypeFromFile("ReceiverType_0001.rcv", 1,
                           "[ReceiverSetupTemplate]\n; comment\n\nX=1\n  indented = kept \n"
                           "[ReceiverTypeSetupTemplate]\nA=1\nB=2\n");
  EXPECT_EQ(r.ReceiverSetupTemplate, std::string("X=1\0  indented = kept \0", 23));
  EXPECT_EQ(r.ReceiverTypeSetupTemplate, std::string("A=1\0B=2\0", 8));
}

TEST(ReceiverTypeTest, LoadTakesNumberedFilesInNameOrder) {
  TestTempDir dir;
  FixedTexts texts;
  RecordingLog log;
  StoreContext ctx{dir.path(), log, texts};
  auto table = std::make_unique<ReceiverTypeTable>();
  EXPECT_EQ(LoadReceiverTypes(*table, ctx), 0);

  dir.Put("ReceiverTypes/ReceiverType_0012.rcv", "[General]\nName=B\n");
  dir.Put("ReceiverTypes/RECEIVERTYPE_0003.RCV", "[General]\nName=Z\n");
  dir.Put("ReceiverTypes/ReceiverType_12ab.rcv", "[General]\nName=skipped\n");
  dir.Put("ReceiverTypes/ReceiverType_0012.INI", "x");
  ASSERT_EQ(LoadReceiverTypes(*table, ctx), 2);
  EXPECT_EQ(table->ReceiverTypes[0].Number, 3);
  EXPECT_EQ(table->ReceiverTypes[0].Name, "Z");
  EXPECT_EQ(table->ReceiverTypes[1].Number, 12);
  EXPECT_EQ(table->ReceiverTypes[2], ReceiverTypeRecord());
  EXPECT_TRUE(log.lines.empty());

  for (int i = 0; i < 302; ++i) {
    dir.Put("ReceiverTypes/ReceiverType_" + FourDigits(i) + ".rcv", "");
  }
  EXPECT_EQ(LoadReceiverTypes(*table, ctx), 300);
  EXPECT_EQ(table->ReceiverTypes[299].Number,
            298);  // 0003 is there in two spellings
  ASSERT_EQ(log.lines.size(), 1u);
  EXPECT_NE(log.lines[0].find("3 more files"), std::string::npos) << log.lines[0];
}

}  // namespace
}  // namespace orlund
