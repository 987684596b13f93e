#include "testlib/json.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

namespace tarnwick::testing {
namespace {

TEST(JsonTest, ReadsEveryKindOfValue) {
  const auto json = ParseJson(
      R"( {"fn": "D5API_BeginNode", "n": -1.5e2, "z": 0, "ok": true, "no": false,)"
      R"( "none": null, "list": [1, [2, {}], []], "nested": {"a": {"b": "c"}}} )");
  ASSERT_TRUE(json);
  EXPECT_EQ(json->type, Json::Type::Object);
  EXPECT_EQ((*json)["fn"].string, "D5API_BeginNode");
  EXPECT_EQ((*json)["n"].number, -150.0);
  EXPECT_EQ((*json)["z"].type, Json::Type::Number);
  EXPECT_TRUE((*json)["ok"].boolean);
  EXPECT_EQ((*json)["no"].type, Json::Type::Bool);
  EXPECT_FALSE((*json)["no"].boolean);
  EXPECT_TRUE(json->Has("none"));
  EXPECT_EQ((*json)["none"].type, Json::Type::Null);
  ASSERT_EQ((*json)["list"].array.size(), 3u);
  EXPECT_EQ((*json)["list"].array[1].array[1].type, Json::Type::Object);
  EXPECT_EQ((*json)["nested"]["a"]["b"].string, "c");
  EXPECT_FALSE(json->Has("missing"));
  EXPECT_EQ((*json)["missing"]["deeper"].type, Json::Type::Null);
  EXPECT_EQ((*json)["list"]["not an object"].type, Json::Type::Null);
}

TEST(JsonTest, DecodesStringEscapes) {
  const auto json = ParseJson(
      R"(["a\"b\\c\/d", "\n\t\r\b\f\u0001", "\u00e9\u20ac", "\ud83d\ude00", "\udc00x",)"
      R"( "\ud800\u0041", "é"])");
  ASSERT_TRUE(json);
  const auto& a = json->array;
  ASSERT_EQ(a.size(), 7u);
  EXPECT_EQ(a[0].string, "a\"b\\c/d");
  EXPECT_EQ(a[1].string, std::string("\n\t\r\b\f\x01"));
  EXPECT_EQ(a[2].string, "\xc3\xa9\xe2\x82\xac");
  EXPECT_EQ(a[3].string, "\xf0\x9f\x98\x80");
  EXPECT_EQ(a[4].string, "\xed\xb0\x80x");  // a lone low surrogate keeps its unit
  EXPECT_EQ(a[5].string, "\xed\xa0\x80" "A");
  EXPECT_EQ(a[6].string, "\xc3\xa9");
}

TEST(JsonTest, NumbersFollowTheGrammar) {
  EXPECT_EQ(ParseJson("0.349999994")->number, 0.349999994);
  EXPECT_EQ(ParseJson("-4.37113883e-08")->number, -4.37113883e-08);
  EXPECT_TRUE(std::signbit(ParseJson("-0.0")->number));
  EXPECT_FALSE(ParseJson("1e999"));  // out of range for a double: refused
  for (const char* bad : {"01", "1.", ".5", "+1", "-", "1e", "1e+", "0x10", "NaN", "inf"}) {
    EXPECT_FALSE(ParseJson(bad)) << bad;
  }
}

TEST(JsonTest, RejectsMalformedTextWithoutCrashing) {
  for (const char* bad : {"", " ", "{", "}", "[1,]", "[1 2]", "{\"a\" 1}", "{\"a\": 1,}",
                          "{1: 2}", "\"open", "\"\\x\"", "\"\\u12\"", "\"\\u12G4\"",
                          "\"tab\there\"", "tru", "nul", "[] []", "{\"a\": 1} x"}) {
    EXPECT_FALSE(ParseJson(bad)) << bad;
  }
  EXPECT_FALSE(ParseJson(std::string(100000, '[')));
  EXPECT_TRUE(ParseJson(std::string(50, '[') + std::string(50, ']')));
}

}  // namespace
}  // namespace tarnwick::testing
