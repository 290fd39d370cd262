#include "store/receivers.h"

#include <gtest/gtest.h>

#include <memory>

#include "testing/test_temp_dir.h"

namespace orlund {
namespace {

std::string Bytes(std::initializer_list<int> values) {
  std::string s;
  for (int v : values) s.push_back(static_cast<char>(v));
  return s;
}

ReceiverRecord Named(const std::string& name) {
  ReceiverRecord r;
  r.Name = name;
  for (Variant& s : r.Settings) s = Variant::FromText("");
  return r;
}

ReceiverRecord Full() {
  ReceiverRecord r;
  r.ReceiverWord = -3;
  r.ReceiverFlag = -1;
  r.ReceiverTypeNumber = 12;
  r.Name = "Pager \xC4";
  r.Settings = {Variant::FromText("0171"), Variant::FromDouble(2.5), Variant::Null(),
                Variant::FromBoolean(-1)};
  r.ExtraWord = 9;
  r.ExtraBytes = {1, 2, 3, 4, 5, 6, 7, 255};
  r.ReceiverText = "text";
  r.ExtraTexts = {"a", "", "ccc", "\x80"};
  return r;
}

// A version 3 file: word 3, first word, type number, name, four settings.
std::string Version3File() {
  return Bytes({3,   0,   5, 0, 2, 0, 7,   0, 'P', 'a', 'g', 'e', 'r',
                ' ', 'A', 8, 0, 1, 0, 'x', 0, 0,   0,   0,   0,   0});
}

class ReceiverStoreTest : public ::testing::Test {
 protected:
  FixedTexts texts_{{{803, "Cannot read"}, {804, "skipped"}, {888, "Converted"}}};
  RecordingLog log_;
  TestTempDir dir_;
  StoreContext ctx_{dir_.path(), log_, texts_};
  std::unique_ptr<ReceiverTable> table_ = std::make_unique<ReceiverTable>();
};

TEST(ReceiverCodecTest, FileWithFourTextSettingsHasHandComputedBytes) {
  ReceiverRecord r = Named("N");
  r.ReceiverWord = 1;
  r.ReceiverFlag = -1;
  r.ReceiverTypeNumber = 0x0102;
  r.Settings[0] = Variant::FromText("ab");
  const std::string expected =
      Bytes({4, 0, 1, 0, 0xFF, 0xFF, 2, 1, 1, 0, 'N', 8, 0, 2, 0, 'a', 'b', 8, 0, 0, 0, 8, 0, 0, 0,
             8, 0, 0, 0, 0,    0,    0, 0, 0, 0, 0,   0, 0, 0, 0, 0,   0,   0, 0, 0, 0, 0, 0, 0});
  EXPECT_EQ(EncodeReceiverFile(r), expected);
}

TEST(ReceiverCodecTest, RoundTripGivesEveryFieldBack) {
  const std::string bytes = EncodeReceiverFile(Full());
  ReceiverFile file = DecodeReceiverFile(bytes);
  ASSERT_EQ(file.status, ReceiverFile::Status::kLoaded);
  EXPECT_EQ(file.record, Full());
  EXPECT_EQ(EncodeReceiverFile(file.record), bytes);
}

TEST(ReceiverCodecTest, Version3ConvertsWithFlagSetAndNewFieldsEmpty) {
  ReceiverFile file = DecodeReceiverFile(Version3File());
  ASSERT_EQ(file.status, ReceiverFile::Status::kConverted);
  EXPECT_EQ(file.format_word, 3);
  ReceiverRecord expected;
  expected.ReceiverWord = 5;
  expected.ReceiverFlag = -1;
  expected.ReceiverTypeNumber = 2;
  expected.Name = "Pager A";
  expected.Settings[0] = Variant::FromText("x");
  EXPECT_EQ(file.record, expected);
}

TEST(ReceiverCodecTest, EveryCutAndBadContentIsReportedNeverMixed) {
  const std::string full = EncodeReceiverFile(Full());
  for (size_t cut = 0; cut < full.size(); ++cut) {
    ReceiverFile file = DecodeReceiverFile(std::string_view(full).substr(0, cut));
    EXPECT_EQ(file.status,
              cut < 2 ? ReceiverFile::Status::kTooShort : ReceiverFile::Status::kDamaged)
        << cut;
    EXPECT_EQ(file.record, ReceiverRecord());
  }
  const std::string v3 = Version3File();
  for (size_t cut = 2; cut < v3.size(); ++cut) {
    EXPECT_EQ(DecodeReceiverFile(v3.substr(0, cut)).status, ReceiverFile::Status::kDamaged);
  }
  // Kind 99 in the first setting.
  std::string unknown = EncodeReceiverFile(Named(""));
  unknown[10] = 99;
  EXPECT_EQ(DecodeReceiverFile(unknown).status, ReceiverFile::Status::kDamaged);
  ReceiverFile seven = DecodeReceiverFile(Bytes({7, 0, 1, 2, 3}));
  EXPECT_EQ(seven.status, ReceiverFile::Status::kUnknownFormat);
  EXPECT_EQ(seven.format_word, 7);
}

TEST_F(ReceiverStoreTest, LoadSortsByUpperCaseNameKeepingEqualNamesInLoadOrder) {
  dir_.Put("Receivers/Receiver_0001.dat", EncodeReceiverFile(Named("abc")));
  dir_.Put("Receivers/Receiver_0002.dat", EncodeReceiverFile(Named("ABC")));
  dir_.Put("Receivers/Receiver_0000.dat", EncodeReceiverFile(Named("b")));
  dir_.Put("Receivers/RECEIVER_0003.DAT", EncodeReceiverFile(Named("Ab")));
  ASSERT_EQ(LoadAllReceivers(*table_, ctx_), 4);
  EXPECT_EQ(table_->Receivers[0].Name, "Ab");
  EXPECT_EQ(table_->Receivers[1].Name, "abc");
  EXPECT_EQ(table_->Receivers[2].Name, "ABC");
  EXPECT_EQ(table_->Receivers[3].Name, "b");
}

TEST_F(ReceiverStoreTest, LoadSkipsAndLogsWhatItCannotUse) {
  EXPECT_EQ(LoadAllReceivers(*table_, ctx_), 0);  // no directory at all
  dir_.Put("Receivers/Receiver_0000.dat", Version3File());
  dir_.Put("Receivers/Receiver_0001.dat", "");
  dir_.Put("Receivers/Receiver_0002.dat", "\x04");
  dir_.Put("Receivers/Receiver_0003.dat", Bytes({7, 0, 0, 0}));
  std::string cut = EncodeReceiverFile(Full());
  dir_.Put("Receivers/Receiver_0004.dat", cut.substr(0, cut.size() - 1));
  dir_.Put("Receivers/Receiver_abcd.dat", EncodeReceiverFile(Named("ignored")));
  dir_.Put("Receivers/Receiver_-001.dat", EncodeReceiverFile(Named("ignored")));
  ASSERT_EQ(LoadAllReceivers(*table_, ctx_), 1);
  EXPECT_EQ(table_->Receivers[0].Name, "Pager A");
  EXPECT_EQ(table_->Receivers[1], ReceiverRecord());
  ASSERT_EQ(log_.lines.size(), 3u);
  EXPECT_EQ(log_.lines[0], "Converted 'Receiver_0000.dat' (3 -> 4)");
  EXPECT_EQ(log_.lines[1], "Cannot read 'Receiver_0003.dat' (7) skipped");
  EXPECT_EQ(log_.lines[2], "Cannot read 'Receiver_0004.dat' (4) skipped");
}

TEST_F(ReceiverStoreTest, FilesBeyond300AreLoggedOnceAndKeptAsideBySave) {
  for (int i = 0; i < 301; ++i) {
    dir_.Put("Receivers/" + ReceiverFileName(i),
             EncodeReceiverFile(Named("r" + std::to_string(i))));
  }
  EXPECT_EQ(LoadAllReceivers(*table_, ctx_), 300);
  ASSERT_EQ(log_.lines.size(), 1u);
  EXPECT_NE(log_.lines[0].find("1 more files"), std::string::npos) << log_.lines[0];
  ASSERT_TRUE(SaveAllReceivers(*table_, ctx_));
  EXPECT_EQ(dir_.List("Receivers").size(), 301u);  // 300 files and NotLoaded/
  const std::vector<std::string> kept = dir_.List("Receivers/NotLoaded");
  ASSERT_EQ(kept.size(), 1u);
  EXPECT_EQ(DecodeReceiverFile(dir_.Get("Receivers/NotLoaded/" + kept[0])).record.Name, "r300");
  ASSERT_EQ(log_.lines.size(), 2u);
  EXPECT_EQ(log_.lines[1], "'" + dir_.path() + "Receivers/Receiver_0300.dat' was not loaded; " +
                               "kept as '" + dir_.path() + "Receivers/NotLoaded/" + kept[0] + "'");
}

TEST_F(ReceiverStoreTest, SaveRenumbersBySlotInNameOrder) {
  dir_.Put("Receivers/Receiver_0005.dat", EncodeReceiverFile(Named("b")));
  dir_.Put("Receivers/Receiver_0009.dat", EncodeReceiverFile(Named("A")));
  dir_.Put("Receivers/receiver_0000.DAT", Version3File());
  ASSERT_EQ(LoadAllReceivers(*table_, ctx_), 3);
  ASSERT_TRUE(SaveAllReceivers(*table_, ctx_));
  EXPECT_EQ(
      dir_.List("Receivers"),
      (std::vector<std::string>{"Receiver_0000.dat", "Receiver_0001.dat", "Receiver_0002.dat"}));
  EXPECT_EQ(DecodeReceiverFile(dir_.Get("Receivers/Receiver_0000.dat")).record.Name, "A");
  EXPECT_EQ(DecodeReceiverFile(dir_.Get("Receivers/Receiver_0001.dat")).record.Name, "b");
  ReceiverFile converted = DecodeReceiverFile(dir_.Get("Receivers/Receiver_0002.dat"));
  EXPECT_EQ(converted.status, ReceiverFile::Status::kLoaded);
  EXPECT_EQ(converted.record.Name, "Pager A");
}

TEST_F(ReceiverStoreTest, FileModesAfterASave) {
  dir_.Put("Receivers/Receiver_0000.dat", EncodeReceiverFile(Named("a")));
  dir_.Put("Receivers/Receiver_0001.dat", "\x07");  // not loaded
  dir_.SetMode("Receivers/Receiver_0000.dat", 0664);
  dir_.SetMode("Receivers/Receiver_0001.dat", 0600);
  ASSERT_EQ(LoadAllReceivers(*table_, ctx_), 1);
  table_->Receivers[1] = Named("c");
  table_->ReceiverCount = 2;
  ASSERT_TRUE(SaveAllReceivers(*table_, ctx_));
  // The replaced file keeps its mode, the one kept aside too; the new file in
  // the place of the one kept aside gets the default.
  const mode_t umask_bits = umask(0);
  umask(umask_bits);
  EXPECT_EQ(dir_.Mode("Receivers/Receiver_0000.dat"), 0664u);
  EXPECT_EQ(dir_.Mode("Receivers/Receiver_0001.dat"), 0644u & ~umask_bits);
  EXPECT_EQ(dir_.Mode("Receivers/NotLoaded/" + dir_.List("Receivers/NotLoaded").at(0)), 0600u);
}

TEST_F(ReceiverStoreTest, SaveOfAnEmptyTableRemovesTheLoadedFilesOnly) {
  dir_.Put("Receivers/Receiver_0000.dat", EncodeReceiverFile(Named("a")));
  dir_.Put("Receivers/Receiver_zz12.dat", "x");
  dir_.Put("Receivers/keep.txt", "x");
  ASSERT_EQ(LoadAllReceivers(*table_, ctx_), 1);
  table_->ReceiverCount = 0;
  ASSERT_TRUE(SaveAllReceivers(*table_, ctx_));
  EXPECT_EQ(dir_.List("Receivers"), (std::vector<std::string>{"NotLoaded", "keep.txt"}));
}

TEST_F(ReceiverStoreTest, DirectoryInTheWayFailsTheSaveBeforeAnyFileChanges) {
  dir_.Put("Receivers/Receiver_0000.dat", EncodeReceiverFile(Named("b")));
  std::filesystem::create_directories(dir_.path() + "Receivers/Receiver_0001.dat");
  ASSERT_EQ(LoadAllReceivers(*table_, ctx_), 1);
  table_->Receivers[1] = Named("a");
  table_->ReceiverCount = 2;
  std::string error;
  EXPECT_FALSE(SaveAllReceivers(*table_, ctx_, &error));
  EXPECT_EQ(error, "'" + dir_.path() + "Receivers/Receiver_0001.dat': Is a directory");
  EXPECT_EQ(DecodeReceiverFile(dir_.Get("Receivers/Receiver_0000.dat")).record.Name, "b");
  // No temporary file is left behind.
  EXPECT_EQ(dir_.List("Receivers"),
            (std::vector<std::string>{"Receiver_0000.dat", "Receiver_0001.dat"}));
}

}  // namespace
}  // namespace orlund
