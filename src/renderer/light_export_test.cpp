#include "renderer/light_export.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <numbers>

#include "exchange/exchange_folder.h"
#include "platform/text.h"
#include "standin/standin.h"
#include "testlib/journal_match.h"
#include "testlib/temp_exchange.h"

namespace tarnwick {
namespace {

using testing::CallKeys;
using testing::FindProperty;
using testing::Json;

constexpr D5Session kSession = 7;
constexpr float kHalfPi = std::numbers::pi_v<float> / 2.0f;

class LightExportTest : public ::testing::Test {
 protected:
  void SetUp() override { standin::Configure({}); }

  static std::vector<Json> Export(const LightRecord& record) {
    standin::ResetJournal();
    ExportLight(kSession, record, ExportSettings{GetExchangeFolder(), false});
    return testing::JournalCalls();
  }

  // Each recorded call must equal the expected JSON line of the same place.
  static void ExpectCalls(const std::vector<Json>& calls, const char* expected_lines, int ulps) {
    const std::vector<Json> expected = testing::ParseJsonLines(expected_lines);
    ASSERT_EQ(calls.size(), expected.size()) << ::testing::PrintToString(CallKeys(calls));
    for (std::size_t i = 0; i < calls.size(); ++i) {
      std::string why;
      EXPECT_TRUE(testing::CallMatches(calls[i], expected[i], ulps, &why)) << i << ": " << why;
    }
  }

  testing::TempExchangeFolder folder_;
};

// The sample's bulb: host position (1, 2, 3), held as (2, -1, 3).
LightRecord Bulb() {
  LightRecord light;
  light.LightSolidID = 12;
  light.LightName = u"Bulb";
  light.Intensity = 1000.0f;
  light.From = {2.0f, -1.0f, 3.0f};
  light.Color = {1.0f, 0.5f, 0.0f};
  return light;
}

LightRecord Spot(const std::array<float, 3>& to) {
  LightRecord light = Bulb();
  light.LightSource = LightSourceType::Spot;
  light.To = to;
  light.Coneangle = 0.6f;
  return light;
}

Json Value(const std::vector<Json>& calls, const std::string& prop) {
  const Json* call = FindProperty(calls, prop);
  return call ? (*call)["value"] : Json{};
}

std::vector<float> Transform(const std::vector<Json>& calls) {
  const Json* call = FindProperty(calls, "transform");
  return call ? testing::FloatsOf((*call)["values"]) : std::vector<float>{};
}

TEST_F(LightExportTest, PointLightSendsItsPropertiesInOrder) {
  ExpectCalls(Export(Bulb()), R"(
{"fn": "D5API_AddLight", "name": "Light12"}
{"fn": "D5API_SetLightStringProperty", "name": "Light12", "prop": "id", "value": "Light12"}
{"fn": "D5API_SetLightStringProperty", "name": "Light12", "prop": "group_id", "value": "0"}
{"fn": "D5API_SetLightStringProperty", "name": "Light12", "prop": "path", "value": "Lights/Light12"}
{"fn": "D5API_SetLightIntProperty", "name": "Light12", "prop": "type", "value": 0}
{"fn": "D5API_SetLightStringProperty", "name": "Light12", "prop": "light_name", "value": "Bulb"}
{"fn": "D5API_SetLightIntProperty", "name": "Light12", "prop": "brightness_units", "value": 1}
{"fn": "D5API_SetLightFloatProperty", "name": "Light12", "prop": "brightness", "value": 1000.0}
{"fn": "D5API_SetLightFloatArrayProperty", "name": "Light12", "prop": "light_color", "values": [255.0, 127.5, 0.0], "count": 3}
{"fn": "D5API_SetLightFloatArrayProperty", "name": "Light12", "prop": "transform", "values": [1.0, 0.0, 0.0, 0.0, 0.0, 1.0, 0.0, 0.0, 0.0, 0.0, 1.0, 0.0, 2.0, -1.0, 3.0, 1.0], "count": 16}
{"fn": "D5API_SendLights"}
)", 0);
}

TEST_F(LightExportTest, TemperatureReplacesColourOnlyWhenPositive) {
  LightRecord light = Bulb();
  light.LightTemperature = 6500.0f;
  std::vector<Json> calls = Export(light);
  EXPECT_EQ(Value(calls, "light_temperature").number, 6500.0);
  EXPECT_EQ(FindProperty(calls, "light_color"), nullptr);
  EXPECT_EQ(CallKeys(calls)[8], "D5API_SetLightFloatProperty light_temperature");

  for (float temperature : {-1.0f, 0.0f, std::numeric_limits<float>::quiet_NaN()}) {
    light.LightTemperature = temperature;
    calls = Export(light);
    EXPECT_EQ(FindProperty(calls, "light_temperature"), nullptr) << temperature;
    ASSERT_NE(FindProperty(calls, "light_color"), nullptr) << temperature;
    EXPECT_EQ((*FindProperty(calls, "light_color"))["count"].number, 3.0);
  }
}

TEST_F(LightExportTest, SpotLightRotationAndConeAngle) {
  std::vector<Json> calls = Export(Spot({0.0f, 0.0f, 0.0f}));
  EXPECT_EQ(Value(calls, "type").number, 1.0);
  EXPECT_EQ(Transform(calls), (std::vector<float>{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 2, -1, 3, 1}));
  EXPECT_EQ((*FindProperty(calls, "transform"))["count"].number, 16.0);
  EXPECT_TRUE(testing::FloatsNear(Value(calls, "light_cone_angle").number, 0.6f, 0));
  EXPECT_EQ(FindProperty(calls, "light_template"), nullptr);
  const std::vector<std::string> keys = CallKeys(calls);
  EXPECT_EQ(std::vector<std::string>(keys.end() - 3, keys.end()),
            (std::vector<std::string>{"D5API_SetLightFloatArrayProperty transform",
                                      "D5API_SetLightFloatProperty light_cone_angle",
                                      "D5API_SendLights"}));

  const std::vector<float> m = Transform(Export(Spot({0.0f, kHalfPi, 0.0f})));
  ASSERT_EQ(m.size(), 16u);
  EXPECT_NEAR(m[5], 0.0f, 1e-6f);
  EXPECT_FLOAT_EQ(m[6], 1.0f);
  EXPECT_FLOAT_EQ(m[9], -1.0f);
  EXPECT_NEAR(m[10], 0.0f, 1e-6f);
}

TEST_F(LightExportTest, SampleSpotLightMatchesTheSampleJournal) {
  LightRecord light = Spot({kHalfPi, 0.0f, 0.0f});
  light.LightSolidID = 13;
  light.LightName = u"Spot";
  light.Intensity = 500.0f;
  light.Color = {1.0f, 1.0f, 1.0f};
  light.From = {0.0f, -0.0f, 3.0f};
  ExpectCalls(Export(light), R"(
{"fn": "D5API_AddLight", "name": "Light13"}
{"fn": "D5API_SetLightStringProperty", "name": "Light13", "prop": "id", "value": "Light13"}
{"fn": "D5API_SetLightStringProperty", "name": "Light13", "prop": "group_id", "value": "0"}
{"fn": "D5API_SetLightStringProperty", "name": "Light13", "prop": "path", "value": "Lights/Light13"}
{"fn": "D5API_SetLightIntProperty", "name": "Light13", "prop": "type", "value": 1}
{"fn": "D5API_SetLightStringProperty", "name": "Light13", "prop": "light_name", "value": "Spot"}
{"fn": "D5API_SetLightIntProperty", "name": "Light13", "prop": "brightness_units", "value": 1}
{"fn": "D5API_SetLightFloatProperty", "name": "Light13", "prop": "brightness", "value": 500.0}
{"fn": "D5API_SetLightFloatArrayProperty", "name": "Light13", "prop": "light_color", "values": [255.0, 255.0, 255.0], "count": 3}
{"fn": "D5API_SetLightFloatArrayProperty", "name": "Light13", "prop": "transform", "values": [-4.37113883e-08, 0.0, 1.0, 0.0, 0.0, 1.0, 0.0, 0.0, -1.0, 0.0, -4.37113883e-08, 0.0, 0.0, -0.0, 3.0, 1.0], "count": 16}
{"fn": "D5API_SetLightFloatProperty", "name": "Light13", "prop": "light_cone_angle", "value": 0.600000024}
{"fn": "D5API_SendLights"}
)", 2);
}

TEST_F(LightExportTest, AngleRotationIsAProperRotation) {
  LightRecord light = Spot({0.7f, -0.4f, 1.9f});
  const std::array<float, 16> m = LightTransform(light);
  for (int r = 0; r < 3; ++r) {
    EXPECT_EQ(m[4 * r + 3], 0.0f);
    for (int c = 0; c < 3; ++c) {
      float dot = 0.0f;
      for (int k = 0; k < 3; ++k) dot += m[4 * r + k] * m[4 * c + k];
      EXPECT_NEAR(dot, r == c ? 1.0f : 0.0f, 1e-6f) << r << "," << c;
    }
  }
  const float det = m[0] * (m[5] * m[10] - m[6] * m[9]) - m[1] * (m[4] * m[10] - m[6] * m[8]) +
                    m[2] * (m[4] * m[9] - m[5] * m[8]);
  EXPECT_NEAR(det, 1.0f, 1e-6f);
  EXPECT_EQ(m[15], 1.0f);
  EXPECT_EQ((std::array<float, 3>{m[12], m[13], m[14]}), light.From);

  // Roll alone turns the x row towards y; yaw alone uses minus the stored angle.
  const std::array<float, 16> roll = LightTransform(Spot({0.0f, 0.0f, 0.5f}));
  EXPECT_FLOAT_EQ(roll[1], std::sin(0.5f));
  EXPECT_FLOAT_EQ(roll[4], -std::sin(0.5f));
  const std::array<float, 16> yaw = LightTransform(Spot({0.5f, 0.0f, 0.0f}));
  EXPECT_FLOAT_EQ(yaw[2], std::sin(0.5f));
  EXPECT_FLOAT_EQ(yaw[8], -std::sin(0.5f));
}

TEST_F(LightExportTest, IesLightSendsItsTemplatePath) {
  LightRecord light = Spot({0.0f, kHalfPi, 0.0f});
  light.LightSource = LightSourceType::IES;
  light.strIESF_FilePath = u"profiles\\lamp.ies";
  const std::vector<Json> calls = Export(light);
  EXPECT_EQ(Value(calls, "type").number, 1.0);
  EXPECT_EQ(FindProperty(calls, "light_cone_angle"), nullptr);
  EXPECT_EQ(Value(calls, "light_template").string,
            Utf8FromUtf16(folder_.folder_text()) + "\\IES\\profiles\\lamp.ies");
  EXPECT_FLOAT_EQ(Transform(calls)[6], 1.0f);
  EXPECT_EQ(CallKeys(calls).back(), "D5API_SendLights");
}

TEST_F(LightExportTest, NameIsTheSignedDecimalId) {
  EXPECT_EQ(RendererLightName(0), u"Light0");
  EXPECT_EQ(RendererLightName(-5), u"Light-5");
  EXPECT_EQ(RendererLightName(std::numeric_limits<std::int32_t>::min()), u"Light-2147483648");
  LightRecord light = Bulb();
  light.LightSolidID = -5;
  const std::vector<Json> calls = Export(light);
  EXPECT_EQ(calls[0]["name"].string, "Light-5");
  EXPECT_EQ(Value(calls, "path").string, "Lights/Light-5");
}

TEST_F(LightExportTest, OtherKindsAndSwitchedOffLightsSendNothing) {
  for (LightSourceType kind :
       {LightSourceType::Area, LightSourceType::Line, LightSourceType::Led,
        LightSourceType::Emissive, LightSourceType::Camera, LightSourceType::Uninitialized,
        LightSourceType::InvalidLightParentSolidID, static_cast<LightSourceType>(42)}) {
    LightRecord light = Bulb();
    light.LightSource = kind;
    EXPECT_TRUE(Export(light).empty()) << static_cast<int>(kind);
  }
  for (LightSourceType kind : {LightSourceType::Point, LightSourceType::Spot, LightSourceType::IES}) {
    LightRecord light = Bulb();
    light.LightSource = kind;
    light.LightEnable = false;
    EXPECT_TRUE(Export(light).empty()) << static_cast<int>(kind);
  }
}

}  // namespace
}  // namespace tarnwick
