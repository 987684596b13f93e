#include "standin/journal_line.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>

#include "renderer/d5api.h"
#include "standin/standin.h"
#include "testlib/json.h"

namespace standin {
namespace {

using tarnwick::testing::Json;
using tarnwick::testing::JournalCalls;

// The journal's float text must read back as the very same 32-bit float.
float AsFloat(const Json& value) { return static_cast<float>(value.number); }

TEST(JournalLineTest, CallsReadBackWithTheirTypesAndEscapes) {
  Configure({});
  const char16_t name[] = {u'\u00e9', 0xD83D, 0xDE00, u'\n', 0x01, u'"', u'\\', 0xD800, u'x', 0};
  const float nine_digits = 0.1f;
  D5API_SetMaterialStringProperty(1, name, u"prop", u"\u20ac\t");
  D5API_SetLightFloatProperty(1, u"L", u"nan", std::numeric_limits<float>::quiet_NaN());
  const float values[] = {nine_digits, -0.0f, 1000.0f, -std::numeric_limits<float>::infinity(),
                          1e-8f, 16777217.0f};
  D5API_SetLightFloatArrayProperty(1, u"L", u"values", values, 6);
  D5API_BeginNode(1, u"Solid_-1", nullptr, 1);
  const auto calls = JournalCalls();
  ASSERT_EQ(calls.size(), 4u);

  const Json& text = calls[0];
  EXPECT_EQ(text["fn"].string, "D5API_SetMaterialStringProperty");
  EXPECT_EQ(text["session"].type, Json::Type::Number);
  EXPECT_EQ(text["name"].string, "\xc3\xa9\xf0\x9f\x98\x80\n\x01\"\\\xed\xa0\x80x");
  EXPECT_EQ(text["value"].string, "\xe2\x82\xac\t");
  EXPECT_NE(JournalLines()[0].find("\\ud800"), std::string::npos);
  EXPECT_NE(JournalLines()[0].find("\\u0001"), std::string::npos);

  EXPECT_EQ(calls[1]["value"].type, Json::Type::String);
  EXPECT_EQ(calls[1]["value"].string, "nan");

  const Json& array = calls[2]["values"];
  ASSERT_EQ(array.array.size(), 6u);
  EXPECT_EQ(AsFloat(array.array[0]), nine_digits);
  EXPECT_TRUE(std::signbit(array.array[1].number));
  EXPECT_EQ(array.array[2].number, 1000.0);
  EXPECT_EQ(array.array[3].string, "-inf");
  EXPECT_EQ(AsFloat(array.array[4]), 1e-8f);
  EXPECT_EQ(calls[2]["count"].number, 6.0);
  EXPECT_EQ(calls[3]["matrix"].type, Json::Type::Null);
  EXPECT_EQ(calls[3]["flag"].number, 1.0);
  EXPECT_NE(JournalLines()[2].find("[0.100000001, -0.0, 1000.0, \"-inf\", 9.99999994e-09, "
                                   "16777216.0]"),
            std::string::npos)
      << JournalLines()[2];
}

TEST(JournalLineTest, LayoutAndHashesMatchTheJournalFormat) {
  Configure({});
  D5API_AddMaterial(1, u"Oak");
  const float positions[] = {0, 0, 0, 1, 0, 0, 1, 1, 0};
  const std::uint32_t indices[] = {0, 1, 2};
  const MeshDescriptor mesh{3, 3, positions, positions, nullptr, indices};
  D5API_AddIndexedTriangle(1, u"Floor", &mesh);
  const MeshDescriptor empty{0, 0, nullptr, nullptr, nullptr, nullptr};
  D5API_AddIndexedTriangle(1, u"Loose", &empty);
  ASSERT_EQ(JournalLines().size(), 3u);
  EXPECT_EQ(JournalLines()[0], R"({"fn": "D5API_AddMaterial", "session": 1, "name": "Oak"})");
  const std::string positions_hash = Fnv1a64Hex(positions, sizeof positions);
  const auto calls = JournalCalls();
  EXPECT_EQ(calls[1]["positions"].string, positions_hash);
  EXPECT_EQ(calls[1]["first_count"].number, 3.0);
  EXPECT_TRUE(calls[1]["attr1"].boolean);
  EXPECT_FALSE(calls[1]["attr2"].boolean);
  EXPECT_EQ(calls[2]["positions"].type, Json::Type::Null);
  EXPECT_EQ(calls[2]["indices"].type, Json::Type::Null);
  // Known FNV-1a 64 values: the empty range and "a".
  EXPECT_EQ(Fnv1a64("", 0), 0xcbf29ce484222325ULL);
  EXPECT_EQ(Fnv1a64("a", 1), 0xaf63dc4c8601ec8cULL);
}

TEST(JournalLineTest, SilentStandInRecordsNothing) {
  Configure({.record = false});
  std::int32_t error = 7;
  EXPECT_EQ(D5API_StartD5Render(u"House", "ZavuZAD", "1.0", &error), 0);
  EXPECT_EQ(error, 0);
  D5Session session = 0;
  EXPECT_EQ(D5API_CreateSession(&session, 0, "a1b2c3d4e5f6g7h8i9j0", nullptr), 0);
  EXPECT_NE(session, 0);
  D5API_AddMaterial(session, u"Oak");
  EXPECT_TRUE(JournalLines().empty());
  Configure({});
}

// A digest line reads every name and array it is given but builds no text, so
// its digest changes with any byte of them and nothing reaches the journal.
TEST(JournalLineTest, DigestLinesReadEveryNameAndArrayAndRecordNothing) {
  const float positions[] = {0, 0, 0, 1, 0, 0, 1, 1, 0};
  const std::uint32_t indices[] = {0, 1, 2};
  auto digest = [&](const char16_t* name, float last, std::uint32_t index) {
    float p[9];
    std::memcpy(p, positions, sizeof p);
    p[8] = last;
    const std::uint32_t i[] = {indices[0], indices[1], index};
    JournalLine line("D5API_AddIndexedTriangle", true);
    line.Session(1).Text("part", name).Integer("first_count", 3).Hash("positions", p, sizeof p)
        .Words("index_values", i, 3).Floats("matrix", nullptr, 16);
    EXPECT_TRUE(line.Finish().empty());
    return line.Digest();
  };
  const auto base = digest(u"Floor", 0, 2);
  EXPECT_EQ(digest(u"Floor", 0, 2), base);
  EXPECT_NE(digest(u"Floot", 0, 2), base);
  EXPECT_NE(digest(u"Floor", 1, 2), base);
  EXPECT_NE(digest(u"Floor", 0, 1), base);

  Configure({.digest_only = true});
  const MeshDescriptor mesh{3, 3, positions, positions, nullptr, indices};
  EXPECT_EQ(D5API_AddIndexedTriangle(1, u"Floor", &mesh), 0);
  D5API_AddMaterial(1, u"Oak");
  EXPECT_TRUE(JournalLines().empty());
  Configure({});
}

}  // namespace
}  // namespace standin
