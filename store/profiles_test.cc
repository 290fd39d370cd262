#include "store/profiles.h"

#include <gtest/gtest.h>

#include "base/errors.h"
#include "testing/test_temp_dir.h"

namespace orlund {
namespace {

std::string Block(const cTimeSchedule& schedule) {
  ByteWriter w;
  schedule.SaveToDisk(w);
  return w.Take();
}

ProfileRecord Named(const std::string& name, int16_t number) {
  ProfileRecord r;
  r.Name = name;
  r.ProfileNumber = number;
  r.TextList[5] = "list " + name;
  r.WordTable[63] = number;
  return r;
}

std::unique_ptr<cTimeSchedule> FivePeriods() {
  auto s = std::make_unique<cTimeSchedule>();
  s->AppendPeriod(0, 420, 960);
  s->AppendPeriod(0, 1000, 1440);
  s->AppendPeriod(3, 0, 30);
  s->AppendPeriod(22, 60, 120);
  s->AppendPeriod(8, 5, 6);
  s->SetGrouped(3, 1);
  s->SetAxis(22, 4);
  s->m_UseCalendar = -1;
  return s;
}

class ProfileStoreTest : public ::testing::Test {
 protected:
  void Put(int number, const ProfileRecord& record, const cTimeSchedule* schedule = nullptr) {
    dir_.Put("Profiles/" + ProfileFileName(number), EncodeProfileFile(record, schedule));
  }
  void Add(const ProfileRecord& record, std::unique_ptr<cTimeSchedule> schedule = nullptr) {
    int slot = table_->ProfileCount++;
    table_->Profiles[slot] = record;
    table_->ProfileSchedules[slot] =
        schedule ? std::move(schedule) : std::make_unique<cTimeSchedule>();
  }

  FixedTexts texts_{{{803, "Cannot read"}, {805, "skipped"}}};
  RecordingLog log_;
  TestTempDir dir_;
  StoreContext ctx_{dir_.path(), log_, texts_};
  std::unique_ptr<ProfileTable> table_ = std::make_unique<ProfileTable>();
};

TEST(ProfileFileTest, EmptyProfileIs368BytesEndingInANewSchedule) {
  cTimeSchedule schedule;
  const std::string file = EncodeProfileFile(ProfileRecord(), &schedule);
  ASSERT_EQ(file.size(), 368u);
  EXPECT_EQ(file, std::string("\x04\x00", 2) + std::string(180, '\0') + Block(schedule));
  // A missing schedule is written as a new one.
  EXPECT_EQ(EncodeProfileFile(ProfileRecord(), nullptr), file);
}

TEST(ProfileFileTest, RoundTripGivesRecordAndScheduleBlockBack) {
  ProfileRecord record = Named("Nacht", 42);
  auto schedule = FivePeriods();
  const std::string file = EncodeProfileFile(record, schedule.get());
  EXPECT_EQ(file.size(), 2 + 180 + 5 + 10 + 206u);

  ProfileRecord back;
  std::unique_ptr<cTimeSchedule> back_schedule;
  ProfileFile result = DecodeProfileFile(file, back, back_schedule);
  EXPECT_EQ(result.status, ProfileFile::Status::kLoaded);
  EXPECT_EQ(back, record);
  ASSERT_NE(back_schedule, nullptr);
  EXPECT_EQ(Block(*back_schedule), Block(*schedule));
  EXPECT_EQ(EncodeProfileFile(back, back_schedule.get()), file);
}

TEST(ProfileFileTest, EveryCutIsDamagedAndLoadsNothing) {
  auto schedule = FivePeriods();
  const std::string file = EncodeProfileFile(Named("Nacht", 42), schedule.get());
  for (size_t cut = 0; cut < file.size(); ++cut) {
    ProfileRecord back = Named("former occupant", 9);
    std::unique_ptr<cTimeSchedule> back_schedule = FivePeriods();
    ProfileFile result =
        DecodeProfileFile(std::string_view(file).substr(0, cut), back, back_schedule);
    EXPECT_EQ(result.status,
              cut < 2 ? ProfileFile::Status::kTooShort : ProfileFile::Status::kDamaged)
        << cut;
    EXPECT_EQ(back, ProfileRecord());
    EXPECT_EQ(back_schedule, nullptr);
  }
}

TEST_F(ProfileStoreTest, EmptyDirectoryClearsEveryScheduleReference) {
  Add(Named("a", 1));
  table_->ProfileSchedules[299] = std::make_unique<cTimeSchedule>();
  EXPECT_EQ(LoadAllProfiles(*table_, ctx_), 0);
  for (const auto& schedule : table_->ProfileSchedules) EXPECT_EQ(schedule, nullptr);
  EXPECT_TRUE(log_.lines.empty());
}

TEST_F(ProfileStoreTest, LoadSortsByUpperCaseNameInLoadOrderWithSchedulesPaired) {
  Put(7, Named("beta", 7), FivePeriods().get());
  Put(3, Named("abc", 3));
  Put(4, Named("ABC", 4));
  Put(5, Named("AB", 5));
  ASSERT_EQ(LoadAllProfiles(*table_, ctx_), 4);
  EXPECT_EQ(table_->Profiles[0].Name, "AB");
  EXPECT_EQ(table_->Profiles[1].Name, "abc");
  EXPECT_EQ(table_->Profiles[2].Name, "ABC");
  EXPECT_EQ(table_->ProfileSchedules[2]->PeriodCount(), 0u);
  EXPECT_EQ(table_->Profiles[3], Named("beta", 7));
  EXPECT_EQ(table_->ProfileSchedules[3]->PeriodCount(), 5u);
}

TEST_F(ProfileStoreTest, LoadSkipsWhatItCannotUse) {
  Put(1, Named("good", 1));
  dir_.Put("Profiles/Profile_abcd.dat", EncodeProfileFile(Named("x", 0), nullptr));
  dir_.Put("Profiles/Profile_+123.dat", EncodeProfileFile(Named("x", 0), nullptr));
  std::string three = EncodeProfileFile(Named("x", 12), nullptr);
  three[0] = 3;
  dir_.Put("Profiles/Profile_0012.dat", three);
  dir_.Put("Profiles/Profile_0013.dat", "");
  dir_.Put("Profiles/Profile_0014.dat", "\x04");
  dir_.Put("Profiles/Profile_0015.dat",
           EncodeProfileFile(Named("cut", 15), nullptr).substr(0, 300));
  ASSERT_EQ(LoadAllProfiles(*table_, ctx_), 1);
  EXPECT_EQ(table_->Profiles[0].Name, "good");
  const std::string path = dir_.path() + "Profiles/Profile_00";
  EXPECT_EQ(log_.lines, (std::vector<std::string>{"Cannot read '" + path + "12.dat' (3) skipped",
                                                  "Cannot read '" + path + "15.dat' (4) skipped"}));
}

TEST_F(ProfileStoreTest, MoreThan300FilesFillTheTableAndLogOnce) {
  for (int i = 1; i <= 301; ++i) Put(i, Named("p" + std::to_string(i), static_cast<int16_t>(i)));
  EXPECT_EQ(LoadAllProfiles(*table_, ctx_), 300);
  ASSERT_EQ(log_.lines.size(), 1u);
  EXPECT_NE(log_.lines[0].find("1 more files"), std::string::npos);
}

TEST_F(ProfileStoreTest, SaveKeepsNumbersDrawsFreeOnesDeletesTheRestAndKeepsForeignFiles) {
  Put(44, Named("old", 44));
  dir_.Put("Profiles/profile_0012.DAT", EncodeProfileFile(Named("twelve", 12), nullptr));
  ASSERT_EQ(LoadAllProfiles(*table_, ctx_), 2);
  // Written by the alarm server after the load, with the number the
  // never-seeded generator draws first.
  std::mt19937 same_sequence;
  std::uniform_int_distribution<int> draw(1, 9991);
  int first_draw = draw(same_sequence);
  Put(first_draw, Named("foreign", static_cast<int16_t>(first_draw)));
  table_->Profiles[0] = Named("new", 0);  // replaces "old"
  ASSERT_TRUE(SaveAllProfiles(*table_, ctx_));
  int drawn = table_->Profiles[0].ProfileNumber;
  EXPECT_EQ(drawn, draw(same_sequence));
  std::vector<std::string> expected = {"NotLoaded", ProfileFileName(12), ProfileFileName(drawn)};
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(dir_.List("Profiles"), expected);
  ASSERT_EQ(dir_.List("Profiles/NotLoaded").size(), 1u);
  EXPECT_TRUE(dir_.List("Profiles/NotLoaded")[0].starts_with(ProfileFileName(first_draw) + "."));
  ASSERT_EQ(log_.lines.size(), 1u);
  EXPECT_NE(log_.lines[0].find("not loaded; kept as '" + dir_.path() + "Profiles/NotLoaded/"),
            std::string::npos);

  auto loaded = std::make_unique<ProfileTable>();
  ASSERT_EQ(LoadAllProfiles(*loaded, ctx_), 2);
  EXPECT_EQ(loaded->Profiles[0].Name, "new");
  EXPECT_EQ(loaded->Profiles[0].ProfileNumber, drawn);
  EXPECT_EQ(loaded->Profiles[1], Named("twelve", 12));
}

TEST_F(ProfileStoreTest, DrawnNumberFindsItsProfileAfterTheTableChangedDuringTheSave) {
  Add(Named("a", 5));
  Add(Named("b", 0));
  const ProfileSave save = SnapshotProfiles(*table_, ctx_, "20240305-140709");
  const ProfileSaveOutcome outcome = WriteProfileFiles(save, ctx_.fs);
  ASSERT_TRUE(outcome.files.saved);
  // Meanwhile "a" was removed and "c" added: "b" moved to slot 0.
  table_->Profiles[0] = table_->Profiles[1];
  table_->Profiles[1] = Named("c", 0);
  TakeProfileSaveOutcome(*table_, save, outcome, ctx_);
  EXPECT_EQ(table_->Profiles[0].ProfileNumber, outcome.numbers[1]);
  EXPECT_EQ(table_->Profiles[1].ProfileNumber, 0);
  EXPECT_EQ(table_->LoadedFiles.size(), 2u);
}

TEST_F(ProfileStoreTest, DuplicateAndUnusableNumbersGetFreshOnesSoNoProfileIsLost) {
  Add(Named("a", 12));
  Add(Named("b", 12));
  Add(Named("c", -5));
  Add(Named("d", 10000));
  Add(Named("e", 9999));
  ASSERT_TRUE(SaveAllProfiles(*table_, ctx_));
  EXPECT_EQ(table_->Profiles[0].ProfileNumber, 12);
  EXPECT_EQ(table_->Profiles[4].ProfileNumber, 9999);
  EXPECT_EQ(dir_.List("Profiles").size(), 5u);
  auto loaded = std::make_unique<ProfileTable>();
  EXPECT_EQ(LoadAllProfiles(*loaded, ctx_), 5);
}

}  // namespace
}  // namespace orlund
