#include "tools/cli_text.h"

#include <gtest/gtest.h>

#include "tools/cli_error.h"

namespace orlund {
namespace {

TEST(Cp1252Text, OperatorTexts) {
  EXPECT_EQ(OperatorTextTo1252("M\xC3\xBCller", "name"), "M\xFCller");
  EXPECT_EQ(OperatorTextTo1252("M\xFCller", "name"), "M\xFCller");  // already Windows-1252
  EXPECT_THROW(OperatorTextTo1252("\xE4\xB8\xAD", "name"), CliError);
}

}  // namespace
}  // namespace orlund
