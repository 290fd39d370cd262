#include "protocol/catalogue.h"

#include <gtest/gtest.h>

#include <set>

namespace orlund {
namespace {

TEST(CatalogueTest, NamesFollowTheCodes) {
  EXPECT_EQ(MessageName(0), "NETWORK_COMMON_KEEPALIVE");
  EXPECT_EQ(MessageName(5), "NETWORK_COMMON_RECEIVERS");
  EXPECT_EQ(MessageName(62), "NETWORK_TEXTMESSAGE_LASTMSGTEXT");
  EXPECT_EQ(MessageName(161), "NETWORK_DAYTYPENAMES_UPDATE");
  EXPECT_EQ(MessageName(190), "NETWORK_SUBMIT_COMMANDENTRY");
  EXPECT_EQ(MessageName(77), "UNKNOWN (77)");
  EXPECT_EQ(MessageName(255), "UNKNOWN (255)");
  int named = 0;
  for (int type = 0; type < 256; ++type) {
    if (MessageName(type).rfind("NETWORK_", 0) == 0) ++named;
  }
  EXPECT_EQ(named, 23);
}

TEST(CatalogueTest, ExactlyTheRequestTypesAreHandled) {
  const std::set<int> handled = {4,   5,   6,   8,   9,   60,  61,  62,  100,
                                 101, 120, 121, 140, 160, 161, 180, 181, 190};
  for (int type = -1; type < 300; ++type) {
    EXPECT_EQ(IsHandledType(type), handled.count(type) == 1) << type;
  }
}

TEST(CatalogueTest, UnknownScopeValuesSendToTheClientOnly) {
  EXPECT_EQ(ToSendScope(1), ToClient);
  EXPECT_EQ(ToSendScope(2), ToAll);
  EXPECT_EQ(ToSendScope(3), ToAllOthers);
  EXPECT_EQ(ToSendScope(0), ToClient);
  EXPECT_EQ(ToSendScope(4), ToClient);
  EXPECT_EQ(ToSendScope(-1), ToClient);
}

}  // namespace
}  // namespace orlund
