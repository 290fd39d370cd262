#include "store/profiles.h"

#include <gtest/gtest.h>

#include "base/errors.h"
#include "testing/project_dir.h"

namespace orlund {
namespace {

using testing::ProjectDir;

std::string Block(const cTimeSchedule& schedule) {
  ByteWriter w;
  schedule.SaveToDisk(w);
  return w.Take();
}

// The block of a newly constructed schedule: Monday to Sunday active (-1),
// everything else 0, then m_UseCalendar 0.
std::string NewScheduleBlock() {
  std::string block;
  for (int day = 0; day < 23; ++day) {
    block += day < 7 ? std::string("\xFF\xFF", 2) : std::string(2, '\0');
    block += std::string(6, '\0');  // grouped, count, axis
  }
  return block + std::string(2, '\0');
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
  ProjectDir dir_;
  StoreContext ctx_{dir_.path(), log_, texts_};
  std::unique_ptr<ProfileTable> table_ = std::make_unique<ProfileTable>();
};

TEST(ProfileFileTest, EmptyProfileWithoutPeriodsIs368HandComputedBytes) {
  cTimeSchedule schedule;
  const std::string file = EncodeProfileFile(ProfileRecord(), &schedule);
  ASSERT_EQ(file.size(), 368u);
  EXPECT_EQ(file, std::string("\x04\x00", 2) + std::string(180, '\0') + NewScheduleBlock());
  // A missing schedule is written as a new one.
  EXPECT_EQ(EncodeProfileFile(ProfileRecord(), nullptr), file);
}

TEST(ProfileFileTest, RoundTripGivesRecordAndScheduleBlockBack) {
  ProfileRecord record = Named("Nacht", 42);
  auto schedule = FivePeriods();
  ASSERT_EQ(Block(*schedule).size(), 206u);
  const std::string file = EncodeProfileFile(record, schedule.get());
  EXPECT_EQ(file.size(), 2 + 180 + 5 + 10 + 206u);

  ProfileRecord back;
  std::unique_ptr<cTimeSchedule> back_schedule;
  ProfileFile result = DecodeProfileFile(file, back, back_schedule);
  EXPECT_EQ(result.status, ProfileFile::Status::kLoaded);
  EXPECT_FALSE(result.cut_short);
  EXPECT_EQ(back, record);
  ASSERT_NE(back_schedule, nullptr);
  EXPECT_EQ(Block(*back_schedule), Block(*schedule));
  EXPECT_EQ(EncodeProfileFile(back, back_schedule.get()), file);
}

TEST(ProfileFileTest, EveryCutLoadsWhatItHoldsAndNothingElse) {
  auto schedule = FivePeriods();
  const std::string file = EncodeProfileFile(Named("Nacht", 42), schedule.get());
  for (size_t cut = 0; cut < file.size(); ++cut) {
    ProfileRecord back = Named("former occupant", 9);
    std::unique_ptr<cTimeSchedule> back_schedule = FivePeriods();
    ProfileFile result =
        DecodeProfileFile(std::string_view(file).substr(0, cut), back, back_schedule);
    if (cut < 2) {
      EXPECT_EQ(result.status, ProfileFile::Status::kTooShort);
      EXPECT_EQ(back_schedule, nullptr);
      continue;
    }
    EXPECT_EQ(result.status, ProfileFile::Status::kLoaded) << cut;
    EXPECT_TRUE(result.cut_short);
    ASSERT_NE(back_schedule, nullptr);
    EXPECT_NE(back.Name, "former occupant");
    EXPECT_NE(back.WordTable[63], 9);
    EXPECT_LE(back_schedule->PeriodCount(), 5u);
  }
}

TEST(ProfileFileTest, OddPeriodCountsAndFormatWords) {
  // Count -1 for Monday: no periods, the next value read is the axis.
  std::string file = EncodeProfileFile(ProfileRecord(), nullptr);
  file[2 + 180 + 4] = '\xFF';
  file[2 + 180 + 5] = '\xFF';
  file[2 + 180 + 6] = 7;
  ProfileRecord record;
  std::unique_ptr<cTimeSchedule> schedule;
  ASSERT_EQ(DecodeProfileFile(file, record, schedule).status, ProfileFile::Status::kLoaded);
  EXPECT_EQ(schedule->PeriodCount(), 0u);
  EXPECT_EQ(schedule->GetAxis(0), 7);

  // Count 30000 with only a few pairs behind it: loaded as cut short.
  file = EncodeProfileFile(ProfileRecord(), nullptr);
  file[2 + 180 + 4] = 0x30;
  file[2 + 180 + 5] = 0x75;
  ProfileFile result = DecodeProfileFile(file, record, schedule);
  EXPECT_EQ(result.status, ProfileFile::Status::kLoaded);
  EXPECT_TRUE(result.cut_short);

  // A name length past the end: loaded as cut short, the name empty.
  std::string long_name = EncodeProfileFile(Named("N", 5), nullptr);
  long_name[6] = '\xFF';
  long_name[7] = '\x7F';
  result = DecodeProfileFile(long_name, record, schedule);
  EXPECT_EQ(result.status, ProfileFile::Status::kLoaded);
  EXPECT_TRUE(result.cut_short);
  EXPECT_EQ(record.ProfileNumber, 5);
  EXPECT_EQ(record.Name, "");

  file[0] = 3;
  result = DecodeProfileFile(file, record, schedule);
  EXPECT_EQ(result.status, ProfileFile::Status::kUnknownFormat);
  EXPECT_EQ(result.format_word, 3);
  EXPECT_EQ(schedule, nullptr);
}

TEST_F(ProfileStoreTest, EmptyDirectoryClearsEveryScheduleReference) {
  Add(Named("a", 1));
  table_->ProfileSchedules[299] = std::make_unique<cTimeSchedule>();
  EXPECT_EQ(LoadAllProfiles(*table_, ctx_), 0);
  for (const auto& schedule : table_->ProfileSchedules) EXPECT_EQ(schedule, nullptr);
  EXPECT_TRUE(log_.lines.empty());
}

TEST_F(ProfileStoreTest, LoadSortsByUpperCaseNameWithSchedulesPaired) {
  Put(7, Named("beta", 7), FivePeriods().get());
  Put(3, Named("Alpha", 3));
  ASSERT_EQ(LoadAllProfiles(*table_, ctx_), 2);
  EXPECT_EQ(table_->Profiles[0].Name, "Alpha");
  EXPECT_EQ(table_->Profiles[0].ProfileNumber, 3);
  EXPECT_EQ(table_->ProfileSchedules[0]->PeriodCount(), 0u);
  EXPECT_EQ(table_->Profiles[1].Name, "beta");
  EXPECT_EQ(table_->ProfileSchedules[1]->PeriodCount(), 5u);
  EXPECT_EQ(table_->Profiles[1], Named("beta", 7));
}

TEST_F(ProfileStoreTest, EqualNamesKeepLoadOrder) {
  ProfileRecord lower = Named("abc", 1);
  ProfileRecord upper = Named("ABC", 2);
  Put(1, lower);
  Put(2, upper);
  Put(3, Named("AB", 3));
  ASSERT_EQ(LoadAllProfiles(*table_, ctx_), 3);
  EXPECT_EQ(table_->Profiles[0].Name, "AB");
  EXPECT_EQ(table_->Profiles[1].Name, "abc");
  EXPECT_EQ(table_->Profiles[2].Name, "ABC");
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
  ASSERT_EQ(LoadAllProfiles(*table_, ctx_), 1);
  EXPECT_EQ(table_->Profiles[0].Name, "good");
  ASSERT_EQ(log_.lines.size(), 1u);
  EXPECT_EQ(log_.lines[0],
            "Cannot read '" + dir_.path() + "Profiles/Profile_0012.dat' (3) skipped");
}

TEST_F(ProfileStoreTest, MoreThan300FilesFillTheTableAndLogOnce) {
  for (int i = 1; i <= 302; ++i) Put(i, Named("p" + std::to_string(i), static_cast<int16_t>(i)));
  EXPECT_EQ(LoadAllProfiles(*table_, ctx_), 300);
  ASSERT_EQ(log_.lines.size(), 1u);
  EXPECT_NE(log_.lines[0].find("2 more files"), std::string::npos);
}

TEST_F(ProfileStoreTest, ReadProfileFileFindsTheNumberInOtherLetterCase) {
  dir_.Put("Profiles/PROFILE_0005.DAT", EncodeProfileFile(Named("upper", 77), nullptr));
  EXPECT_TRUE(ReadProfileFile(*table_, 4, 5, ctx_));
  EXPECT_EQ(table_->Profiles[4].ProfileNumber, 77);  // the record's number, kept as it is
  EXPECT_FALSE(ReadProfileFile(*table_, 4, 6, ctx_));
  EXPECT_EQ(table_->ProfileSchedules[4], nullptr);
  EXPECT_THROW(ReadProfileFile(*table_, 300, 5, ctx_), SubscriptError);
  EXPECT_THROW(ReadProfileFile(*table_, -1, 5, ctx_), SubscriptError);
}

TEST_F(ProfileStoreTest, SaveKeepsNumbersDrawsFreeOnesAndDeletesTheRest) {
  // The first number the never-seeded generator draws is made unavailable.
  std::mt19937 same_sequence;
  int first_draw = std::uniform_int_distribution<int>(1, 9991)(same_sequence);
  Put(first_draw, Named("foreign", static_cast<int16_t>(first_draw)));
  Put(44, Named("old", 44));
  dir_.Put("Profiles/profile_0012.DAT", "old spelling");
  Add(Named("twelve", 12));
  Add(Named("new", 0));
  ASSERT_TRUE(SaveAllProfiles(*table_, ctx_));
  int drawn = table_->Profiles[1].ProfileNumber;
  EXPECT_GE(drawn, 1);
  EXPECT_LE(drawn, 9991);
  EXPECT_NE(drawn, first_draw);
  EXPECT_NE(drawn, 12);
  std::vector<std::string> expected = {ProfileFileName(12), ProfileFileName(drawn)};
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(dir_.List("Profiles"), expected);

  auto loaded = std::make_unique<ProfileTable>();
  ASSERT_EQ(LoadAllProfiles(*loaded, ctx_), 2);
  EXPECT_EQ(loaded->Profiles[0].Name, "new");
  EXPECT_EQ(loaded->Profiles[0].ProfileNumber, drawn);
  EXPECT_EQ(loaded->Profiles[1], Named("twelve", 12));
}

TEST_F(ProfileStoreTest, SaveKeepsThePermissionBitsOfEveryReplacedFile) {
  Put(1, Named("a", 1));
  Put(2, Named("b", 2));
  dir_.SetMode("Profiles/" + ProfileFileName(1), 0664);
  dir_.SetMode("Profiles/" + ProfileFileName(2), 0640);
  ASSERT_EQ(LoadAllProfiles(*table_, ctx_), 2);
  ASSERT_TRUE(SaveAllProfiles(*table_, ctx_));
  EXPECT_EQ(dir_.Mode("Profiles/" + ProfileFileName(1)), 0664u);
  EXPECT_EQ(dir_.Mode("Profiles/" + ProfileFileName(2)), 0640u);
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

TEST_F(ProfileStoreTest, FailedSaveKeepsEveryOldFileAndALaterSaveSucceeds) {
  Put(1, Named("a", 1));
  Put(2, Named("b", 2));
  Put(3, Named("c", 3));
  const std::vector<std::string> names = dir_.List("Profiles");
  std::vector<std::string> before;
  for (const std::string& name : names) before.push_back(dir_.Get("Profiles/" + name));

  ASSERT_EQ(LoadAllProfiles(*table_, ctx_), 3);
  table_->Profiles[0].TextA = "changed";
  table_->Profiles[2] = Named("big", 0);  // replaces c, whose file would be deleted
  table_->Profiles[2].TextE = std::string(6000, 'x');
  {
    testing::FileSizeLimit limit(4096);
    EXPECT_FALSE(SaveAllProfiles(*table_, ctx_));
  }
  EXPECT_EQ(log_.lines.size(), 1u);
  EXPECT_EQ(table_->Profiles[2].ProfileNumber, 0);
  ASSERT_EQ(dir_.List("Profiles"), names);
  for (size_t i = 0; i < names.size(); ++i) EXPECT_EQ(dir_.Get("Profiles/" + names[i]), before[i]);

  ASSERT_TRUE(SaveAllProfiles(*table_, ctx_));
  EXPECT_FALSE(dir_.Has("Profiles/Profile_0003.dat"));
  auto loaded = std::make_unique<ProfileTable>();
  ASSERT_EQ(LoadAllProfiles(*loaded, ctx_), 3);
  EXPECT_EQ(loaded->Profiles[0].TextA, "changed");
  EXPECT_EQ(loaded->Profiles[2].TextE.size(), 6000u);
}

TEST_F(ProfileStoreTest, WriteProfileFileGivesANumberAndWritesOneFile) {
  Add(Named("a", 7));
  Add(Named("b", 0));
  ASSERT_TRUE(WriteProfileFile(*table_, 1, ctx_));
  int number = table_->Profiles[1].ProfileNumber;
  EXPECT_NE(number, 0);
  EXPECT_NE(number, 7);
  EXPECT_EQ(dir_.List("Profiles"), std::vector<std::string>{ProfileFileName(number)});
  EXPECT_THROW(WriteProfileFile(*table_, 300, ctx_), SubscriptError);
}

}  // namespace
}  // namespace orlund
