#include <gtest/gtest.h>

#include "formats/light_record.h"

namespace tarnwick {
namespace {

using Triple = std::array<float, 3>;

LightRecord ReadLight(std::u16string_view text) {
  LightRecord light;
  ReadLightRecord(light, text);
  return light;
}

LightSourceType KindOf(std::u16string_view line) { return ReadLight(line).LightSource; }

TEST(LightRecordTest, ReadsEveryKeyAndConvertsAxes) {
  const LightRecord light = ReadLight(
      u"Ver 1\nLightFlags [4]\nLightSource [spot]\nLightSourceIDName [src]\nFrom [1 2 3]\n"
      u"To [0.5 -1.5 2]\nColor [0.1 0.2 0.3]\nConeangle [30]\nConedeltaangle [5]\n"
      u"Intensity [1500]\nfLedIntensitiUnit [2]\nLightTimeStamp: [17]\nLightName [Lamp, left]\n"
      u"strIESF_FilePath [a.ies]\nLightTemperature [6500]\nLightEnable: [1]\n"
      u"LightSourceID [7]\nLightSolidID [42]\n");
  EXPECT_EQ(light.LightFlags, 4);
  EXPECT_EQ(light.LightSource, LightSourceType::Spot);
  EXPECT_EQ(light.LightSourceIDName, u"src");
  EXPECT_EQ(light.From, (Triple{2, -1, 3}));
  EXPECT_EQ(light.To, (Triple{-1.5f, -0.5f, 2}));
  EXPECT_EQ(light.Color, (Triple{0.1f, 0.2f, 0.3f}));
  EXPECT_EQ(light.Coneangle, 30.0f);
  EXPECT_EQ(light.Conedeltaangle, 5.0f);
  EXPECT_EQ(light.Intensity, 1500.0f);
  EXPECT_EQ(light.fLedIntensitiUnit, 2.0f);
  EXPECT_EQ(light.LightTimeStamp, 17);
  EXPECT_EQ(light.LightName, u"Lamp, left");
  EXPECT_EQ(light.strIESF_FilePath, u"a.ies");
  EXPECT_EQ(light.LightTemperature, 6500.0f);
  EXPECT_TRUE(light.LightEnable);
  EXPECT_EQ(light.LightSourceID, 7);
  EXPECT_EQ(light.LightSolidID, 42);
}

TEST(LightRecordTest, OnlyAPositionGivesASwitchedOnPointLight) {
  const LightRecord light = ReadLight(u"From [1 2 3]");
  EXPECT_EQ(light.From, (Triple{2, -1, 3}));
  EXPECT_EQ(light.To, Triple{});
  EXPECT_EQ(light.LightSource, LightSourceType::Point);
  EXPECT_TRUE(light.LightEnable);
  EXPECT_EQ(light.LightSolidID, 0);
  EXPECT_EQ(ReadLight(u"").LightSource, LightSourceType::Point);
}

TEST(LightRecordTest, KindNamesCompareExactly) {
  EXPECT_EQ(KindOf(u"LightSource [point]"), LightSourceType::Point);
  EXPECT_EQ(KindOf(u"LightSource [spot]"), LightSourceType::Spot);
  EXPECT_EQ(KindOf(u"LightSource [IES]"), LightSourceType::IES);
  EXPECT_EQ(KindOf(u"LightSource [Area]"), LightSourceType::Area);
  EXPECT_EQ(KindOf(u"LightSource [Line]"), LightSourceType::Line);
  EXPECT_EQ(KindOf(u"LightSource [Led]"), LightSourceType::Led);
  EXPECT_EQ(KindOf(u"LightSource [Emissive]"), LightSourceType::Emissive);
  EXPECT_EQ(KindOf(u"LightSource [Camera]"), LightSourceType::Camera);
  EXPECT_EQ(static_cast<int>(KindOf(u"LightSource [Uninitialized]")), -1);
  EXPECT_EQ(static_cast<int>(KindOf(u"LightSource [eInvalidLightParentSolidID]")), -88888888);
  EXPECT_EQ(KindOf(u"LightSource [IES"), LightSourceType::IES);
  EXPECT_EQ(KindOf(u"LightSource [Spot]"), LightSourceType::Point);
  EXPECT_EQ(KindOf(u"LightSource [spot]]"), LightSourceType::Point);
  EXPECT_EQ(KindOf(u"LightSource [spot ]"), LightSourceType::Point);
  EXPECT_EQ(KindOf(u"LightSource [spo]"), LightSourceType::Point);
  EXPECT_EQ(KindOf(u"LightSource [spot]\r"), LightSourceType::Point);
  EXPECT_EQ(KindOf(u"LightSource [Area]\nLightSource [spot]"), LightSourceType::Spot);
  EXPECT_EQ(KindOf(u"LightSource [spot]\nLightSource [nothing]"), LightSourceType::Point);
  // Longer keys that begin with "LightSource" do not touch the kind.
  const LightRecord light = ReadLight(u"LightSource [IES]\nLightSourceID [7]\nLightSourceIDName [x]");
  EXPECT_EQ(light.LightSource, LightSourceType::IES);
  EXPECT_EQ(light.LightSourceID, 7);
  EXPECT_EQ(light.LightSourceIDName, u"x");
}

TEST(LightRecordTest, EnableSwitch) {
  EXPECT_FALSE(ReadLight(u"LightEnable: [0]").LightEnable);
  EXPECT_TRUE(ReadLight(u"LightEnable: [2]").LightEnable);
  EXPECT_TRUE(ReadLight(u"LightEnable: [-1]").LightEnable);
  EXPECT_TRUE(ReadLight(u"LightEnable [0]").LightEnable);
  EXPECT_TRUE(ReadLight(u"LightEnable: [x]").LightEnable);
  EXPECT_TRUE(ReadLight(u"LightEnable: [0]\nLightEnable: [1]").LightEnable);
  // The switch starts on for every reading, whatever the record held.
  LightRecord preset;
  preset.LightEnable = false;
  ReadLightRecord(preset, u"Ver 1");
  EXPECT_TRUE(preset.LightEnable);
}

TEST(LightRecordTest, TwoLightsShareNothing) {
  const LightRecord first =
      ReadLight(u"From [1 2 3]\nTo [4 5 6]\nColor [1 1 1]\nLightSource [spot]\nLightEnable: [0]");
  const LightRecord second = ReadLight(u"LightSolidID [2]");
  EXPECT_EQ(first.LightSource, LightSourceType::Spot);
  EXPECT_FALSE(first.LightEnable);
  EXPECT_EQ(second.From, Triple{});
  EXPECT_EQ(second.To, Triple{});
  EXPECT_EQ(second.Color, Triple{});
  EXPECT_EQ(second.LightSource, LightSourceType::Point);
  EXPECT_TRUE(second.LightEnable);
  EXPECT_EQ(second.LightSolidID, 2);
}

}  // namespace
}  // namespace tarnwick
