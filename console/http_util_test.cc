#include "console/http_util.h"

#include <gtest/gtest.h>

#include "console/json_writer.h"

namespace orlund {
namespace {

TEST(HttpUtilTest, TargetsThatNameNothingAreRefused) {
  for (const char* bad : {"", "x", "/..", "/a/../b", "/%2e%2e/etc/passwd", "/a/%2E/b", "/a%5Cb",
                          "/a%00", "/a%2", "/a%zz", "/profiles/..%2f..%2fetc"}) {
    EXPECT_FALSE(ParseTarget(bad)) << bad;
  }
  const auto target = ParseTarget("/profiles/Night%20watch%E9?month=2026-12&x=..");
  ASSERT_TRUE(target);
  EXPECT_EQ(target->path, "/profiles/Night watch\xE9");
  EXPECT_EQ(target->query, "month=2026-12&x=..");
  EXPECT_EQ(ParseTarget("/a..b/.c")->path, "/a..b/.c");
  EXPECT_EQ(PercentEncode("Night watch/\xE9"), "Night%20watch%2F%E9");
}

TEST(HttpUtilTest, FormFieldsAndCookies) {
  const auto fields = ParseFormFields("password=a+b%26c&on=1&on=0&&bad=%zz&=x&empty");
  EXPECT_EQ(fields, (std::map<std::string, std::string>{
                        {"password", "a b&c"}, {"on", "1"}, {"empty", ""}}));
  EXPECT_EQ(CookieValue("a=1; orlund_console_1=abc ;b=2", "orlund_console_1"), "abc");
  EXPECT_FALSE(CookieValue("xorlund_console_1=abc", "orlund_console_1"));
  EXPECT_TRUE(ConstantTimeEquals("abc", "abc"));
  EXPECT_FALSE(ConstantTimeEquals("abc", "abd"));
  EXPECT_FALSE(ConstantTimeEquals("abc", "ab"));
}

TEST(JsonWriterTest, TextsLeaveAsEscapedUtf8) {
  EXPECT_EQ(JsonString("M\xFCller \"x\"\\\n\x01\x80\x81"),
            "\"M\xC3\xBCller \\\"x\\\"\\\\\\u000a\\u0001\xE2\x82\xAC\\u0081\"");
  JsonWriter json;
  json.BeginObject().Member("a", 1).Key("b").BeginArray().String("x").Bool(true).Null();
  json.BeginObject().EndObject().EndArray().Member("c", 0.5).EndObject();
  EXPECT_EQ(json.Take(), "{\"a\":1,\"b\":[\"x\",true,null,{}],\"c\":0.5}");
}

}  // namespace
}  // namespace orlund
