#include "store/data_file_names.h"

#include <gtest/gtest.h>

#include "store/testing_dir.h"

namespace orlund {
namespace {

TEST(DataFileNamesTest, FourDigitsAreTheLastFourOfZerosAndTheNumber) {
  EXPECT_EQ(FourDigits(42), "0042");
  EXPECT_EQ(FourDigits(0), "0000");
  EXPECT_EQ(FourDigits(9999), "9999");
  EXPECT_EQ(FourDigits(12345), "2345");
}

TEST(DataFileNamesTest, OnlyFourDecimalDigitsCountAsANumber) {
  EXPECT_EQ(FileNameNumber("Profile_0042.dat", 8), 42);
  EXPECT_EQ(FileNameNumber("Profile_9999.dat", 8), 9999);
  for (const char* name : {"Profile_abcd.dat", "Profile_ 123.dat", "Profile_+123.dat",
                           "Profile_-123.dat", "Profile_1e3x.dat", "Profile_12"}) {
    EXPECT_EQ(FileNameNumber(name, 8), std::nullopt) << name;
  }
}

TEST(DataFileNamesTest, ListingLeavesOutOtherNamesAndIgnoresLetterCaseInItsOrder) {
  testing::ProjectDir dir;
  for (const char* name : {"Receiver_0010.dat", "receiver_0002.DAT", "Receiver_0001.dat",
                           "Receiver_x001.dat", "Receiver_00001.dat", "Other_0001.dat"}) {
    dir.Put(std::string("R/") + name, "x");
  }
  std::vector<NumberedFile> files = ListNumberedFiles(dir.path() + "R/", "Receiver_????.dat", 9);
  ASSERT_EQ(files.size(), 3u);
  EXPECT_EQ(files[0].name, "Receiver_0001.dat");
  EXPECT_EQ(files[1].name, "receiver_0002.DAT");
  EXPECT_EQ(files[1].number, 2);
  EXPECT_EQ(files[2].number, 10);
}

}  // namespace
}  // namespace orlund
