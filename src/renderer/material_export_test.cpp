#include "renderer/material_export.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <limits>
#include <optional>

#include "exchange/exchange_folder.h"
#include "platform/environment.h"
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

class MaterialExportTest : public ::testing::Test {
 protected:
  void SetUp() override { standin::Configure({}); }

  // The folder is resolved at each export, as the bridge does per request.
  std::vector<Json> Export(const MaterialRecord& record) const {
    standin::ResetJournal();
    ExportMaterial(kSession, record, ExportSettings{GetExchangeFolder(), color_mode_});
    return testing::JournalCalls();
  }
  bool color_mode_ = false;

  std::string TexturePath(const std::string& file) const {
    return Utf8FromUtf16(folder_.folder_text()) + "\\Textures\\" + file;
  }

  testing::TempExchangeFolder folder_;
};

ExtendMaterial Extension(std::int32_t type, std::int32_t flag, const std::u16string& file,
                         float value = 0.0f) {
  ExtendMaterial extension;
  extension.Type = type;
  extension.nFlag = flag;
  extension.strFile = file;
  extension.Value = value;
  return extension;
}

// The "value" of the first call that sets the property; null when none does.
Json Value(const std::vector<Json>& calls, const std::string& prop) {
  const Json* call = FindProperty(calls, prop);
  return call ? (*call)["value"] : Json{};
}

int Count(const std::vector<std::string>& keys, const std::string& key) {
  int n = 0;
  for (const std::string& k : keys) n += k == key;
  return n;
}

const std::string kStr = "D5API_SetMaterialStringProperty ";
const std::string kFloat = "D5API_SetMaterialFloatProperty ";
const std::string kInt = "D5API_SetMaterialIntProperty ";

TEST_F(MaterialExportTest, DefaultRecordSendsTheSixBasicCalls) {
  MaterialRecord record;
  const std::vector<Json> calls = Export(record);
  EXPECT_EQ(CallKeys(calls),
            (std::vector<std::string>{"D5API_AddMaterial", kStr + "type", kStr + "name",
                                      kFloat + "Opacity", kFloat + "Refraction",
                                      kStr + "Diffuse (Color)"}));
  ASSERT_EQ(calls.size(), 6u);
  EXPECT_EQ(calls[0]["name"].string, "");
  EXPECT_EQ(calls[1]["value"].string, "template_custom");
  EXPECT_EQ(calls[2]["value"].string, "");
  EXPECT_EQ(calls[3]["value"].number, 0.0);
  EXPECT_EQ(calls[4]["value"].number, 0.0);
  EXPECT_EQ(calls[5]["value"].string, "#000000");
}

TEST_F(MaterialExportTest, TemplateThresholdIsComparedInDouble) {
  MaterialRecord record;
  record.MaterialID_Name = u"Glass";
  record.Transparent = 0.5f;
  std::vector<Json> calls = Export(record);
  EXPECT_EQ(calls[1]["name"].string, "Glass");
  EXPECT_EQ(Value(calls, "type").string, "template_transparent");
  EXPECT_EQ(Value(calls, "Opacity").number, 0.5);

  record.Transparent = 0.9f;  // held just below the double 0.9
  calls = Export(record);
  EXPECT_EQ(Value(calls, "type").string, "template_transparent");
  EXPECT_TRUE(testing::FloatsNear(Value(calls, "Opacity").number,
                                  1.0f - 0.9f, 0));

  record.Transparent = std::nextafter(0.9f, 1.0f);
  calls = Export(record);
  EXPECT_EQ(Value(calls, "type").string, "template_custom");
}

TEST_F(MaterialExportTest, EmissiveMaterialSendsEmissionBeforeDiffuse) {
  MaterialRecord record;
  record.TypeNat = 17;
  record.EmissiveIntensity = 250;
  record.emissiveColor = 255;
  std::vector<Json> calls = Export(record);
  EXPECT_EQ(CallKeys(calls),
            (std::vector<std::string>{"D5API_AddMaterial", kStr + "type", kStr + "name",
                                      kFloat + "Opacity", kFloat + "Refraction",
                                      kStr + "Emissive Color", kInt + "EmissiveSwitcher",
                                      kFloat + "Light", kStr + "Diffuse (Color)"}));
  EXPECT_EQ(Value(calls, "Emissive Color").string, "#FF0000");
  EXPECT_EQ(Value(calls, "EmissiveSwitcher").number, 1.0);
  EXPECT_EQ(Value(calls, "Light").number, 2.5);

  for (std::int32_t type_nat : {16, 18, 0}) {
    record.TypeNat = type_nat;
    calls = Export(record);
    EXPECT_EQ(calls.size(), 6u) << type_nat;
    EXPECT_EQ(FindProperty(calls, "EmissiveSwitcher"), nullptr) << type_nat;
  }
}

TEST_F(MaterialExportTest, PackedColourTakesRedFromTheLowByte) {
  EXPECT_EQ(PackedColorText(255), u"#FF0000");
  EXPECT_EQ(PackedColorText(0x00FF0000), u"#0000FF");
  EXPECT_EQ(PackedColorText(static_cast<std::int32_t>(0xAB0A0B0Cu)), u"#0C0B0A");
  EXPECT_EQ(PackedColorText(-1), u"#FFFFFF");
}

TEST_F(MaterialExportTest, DiffuseTextureFeedsThreeChannelsAndSuppressesColours) {
  MaterialRecord record;
  record.TypeNat = 17;
  record.MatExt.push_back(Extension(1, 2, u"oak.jpg"));
  std::vector<Json> calls = Export(record);
  const std::string path = TexturePath("oak.jpg");
  EXPECT_EQ(CallKeys(calls),
            (std::vector<std::string>{"D5API_AddMaterial", kStr + "type", kStr + "name",
                                      kFloat + "Opacity", kFloat + "Refraction",
                                      kStr + "EmissiveMask", kInt + "EmissiveSwitcher",
                                      kFloat + "Light", kStr + "Diffuse Map",
                                      kStr + "OpacityMap"}));
  EXPECT_EQ(Value(calls, "EmissiveMask").string, path);
  EXPECT_EQ(Value(calls, "Diffuse Map").string, path);
  EXPECT_EQ(Value(calls, "OpacityMap").string, path);

  // Without the texture bit, or without a file name, the colours come back.
  for (const ExtendMaterial& unusable : {Extension(1, 0, u"oak.jpg"), Extension(1, 2, u""),
                                         Extension(1, 5, u"oak.jpg")}) {
    record.MatExt = {unusable};
    calls = Export(record);
    const std::vector<std::string> keys = CallKeys(calls);
    EXPECT_EQ(Count(keys, kStr + "Diffuse Map") + Count(keys, kStr + "OpacityMap") +
                  Count(keys, kStr + "EmissiveMask"),
              0);
    EXPECT_EQ(Count(keys, kStr + "Emissive Color"), 1);
    EXPECT_EQ(Count(keys, kStr + "Diffuse (Color)"), 1);
  }
}

TEST_F(MaterialExportTest, ColorModeSendsValuesButNoTexture) {
  MaterialRecord record;
  record.TypeNat = 17;
  record.Diffuse = {1.0f, 0.0f, 0.0f};
  for (std::int32_t type : {1, 2, 3, 5, 6}) {
    record.MatExt.push_back(Extension(type, 2, u"t" + DecimalU16(type) + u".png", 0.25f * type));
  }
  color_mode_ = true;
  const std::vector<Json> calls = Export(record);
  EXPECT_EQ(CallKeys(calls),
            (std::vector<std::string>{"D5API_AddMaterial", kStr + "type", kStr + "name",
                                      kFloat + "Opacity", kFloat + "Refraction",
                                      kStr + "Emissive Color", kInt + "EmissiveSwitcher",
                                      kFloat + "Light", kStr + "Diffuse (Color)",
                                      kFloat + "Roughness Map (opacity)", kFloat + "Metallic",
                                      kFloat + "AOIntensity"}));
  EXPECT_EQ(Value(calls, "Diffuse (Color)").string, "#FF0000");
  EXPECT_EQ(Value(calls, "Roughness Map (opacity)").number, 1.25);
  EXPECT_EQ(Value(calls, "Metallic").number, 1.5);
  EXPECT_EQ(Value(calls, "AOIntensity").number, 0.75);
}

TEST_F(MaterialExportTest, OnlyTheFirstExtensionOfATypeCounts) {
  MaterialRecord record;
  record.MatExt = {Extension(6, 0, u"first.png", 0.25f), Extension(6, 2, u"second.png", 0.75f)};
  const std::vector<Json> calls = Export(record);
  EXPECT_EQ(FindProperty(calls, "MetallicMap"), nullptr);
  ASSERT_NE(FindProperty(calls, "Metallic"), nullptr);
  EXPECT_EQ(Value(calls, "Metallic").number, 0.25);
}

TEST_F(MaterialExportTest, RoughnessMapOrItsValue) {
  MaterialRecord record;
  record.MatExt = {Extension(5, 2, u"rough.png", 0.5f)};
  std::vector<Json> calls = Export(record);
  EXPECT_EQ(Value(calls, "Roughness Map").string, TexturePath("rough.png"));
  EXPECT_EQ(FindProperty(calls, "Roughness Map (opacity)"), nullptr);

  record.MatExt = {Extension(5, 0, u"rough.png")};
  calls = Export(record);
  EXPECT_EQ(FindProperty(calls, "Roughness Map"), nullptr);
  ASSERT_NE(FindProperty(calls, "Roughness Map (opacity)"), nullptr);
  EXPECT_EQ(Value(calls, "Roughness Map (opacity)").number, 0.0);
}

TEST_F(MaterialExportTest, AmbientOcclusionIntensityWithAndWithoutMap) {
  MaterialRecord record;
  record.MatExt = {Extension(2, 2, u"n.png"), Extension(3, 2, u"ao.png", 0.8f)};
  std::vector<Json> calls = Export(record);
  const std::vector<std::string> keys = CallKeys(calls);
  ASSERT_GE(keys.size(), 3u);
  EXPECT_EQ(std::vector<std::string>(keys.end() - 3, keys.end()),
            (std::vector<std::string>{kStr + "Normal Map One", kStr + "AOMap",
                                      kFloat + "AOIntensity"}));
  EXPECT_EQ(Value(calls, "Normal Map One").string, TexturePath("n.png"));
  EXPECT_TRUE(testing::FloatsNear(Value(calls, "AOIntensity").number, 0.8f, 0));

  record.MatExt = {Extension(3, 0, u"ao.png", 0.5f)};
  calls = Export(record);
  EXPECT_EQ(FindProperty(calls, "AOMap"), nullptr);
  EXPECT_EQ(Value(calls, "AOIntensity").number, 0.5);
}

TEST_F(MaterialExportTest, TexturePathJoinsFolderAndNameUnchanged) {
  MaterialRecord record;
  record.MatExt = {Extension(2, 2, u"a\\b.png")};
  std::vector<Json> calls = Export(record);
  ASSERT_EQ(folder_.folder_text().substr(folder_.folder_text().size() - 4), u"Data");
  EXPECT_EQ(Value(calls, "Normal Map One").string, TexturePath("a\\b.png"));

  // A stored folder that ends in a backslash keeps it: nothing is added or removed.
  unsetenv("APPDATA");
  ResetExchangeFolderCache();
  SetFakeRegistryValue(RegistryKeyPath(), u"TempPath",
                       std::u16string(u"D:\\Exchange\\") + u'\0');
  calls = Export(record);
  EXPECT_EQ(Value(calls, "Normal Map One").string,
            "D:\\Exchange\\\\Textures\\a\\b.png");
}

TEST_F(MaterialExportTest, DiffuseColourTextIsHeldToTheByteRange) {
  EXPECT_EQ(DiffuseColorText({1.0f, 0.5f, 0.0f}), u"#FF7F00");
  EXPECT_EQ(DiffuseColorText({0.2f, 0.4f, 0.6f}), u"#336699");
  // Out-of-range components do not wrap around.
  EXPECT_EQ(DiffuseColorText({1.2f, -0.1f, 0.0f}), u"#FF0000");
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const float inf = std::numeric_limits<float>::infinity();
  EXPECT_EQ(DiffuseColorText({nan, inf, -inf}), u"#00FF00");
  EXPECT_EQ(DiffuseColorText({1e30f, -1e30f, 0.999f}), u"#FF00FE");
}

// The sample's three materials, as its model file describes them, give the
// calls that the sample's journal holds.
TEST_F(MaterialExportTest, SampleMaterialsMatchTheSampleJournal) {
  const std::optional<std::string> journal = testing::ReadSampleFile("house/expected_journal.jsonl");
  if (!journal) GTEST_SKIP() << "TARNWICK_SAMPLES is not set";
  std::vector<Json> expected;
  for (const Json& call : testing::ParseJsonLines(journal->substr(0, journal->find("\n\n")))) {
    if (call["fn"].string.find("Material") != std::string::npos) expected.push_back(call);
  }
  setenv("APPDATA", "C:\\Users\\u\\AppData\\Roaming", 1);
  ResetExchangeFolderCache();

  MaterialRecord oak;
  oak.MaterialID_Name = u"Oak";
  oak.InterfaceName = u"Oak, light";
  oak.IOR = 1.5f;
  oak.MatExt = {Extension(1, 2, u"oak.jpg"), Extension(5, 0, u"", 0.35f),
                Extension(3, 2, u"oak_ao.png", 0.8f)};
  MaterialRecord glass;
  glass.MaterialID_Name = u"Glass";
  glass.Transparent = 0.5f;
  glass.IOR = 1.45f;
  glass.Diffuse = {1.0f, 0.0f, 0.5f};
  MaterialRecord lamp;
  lamp.MaterialID_Name = u"Lamp";
  lamp.TypeNat = 17;
  lamp.emissiveColor = 255;
  lamp.EmissiveIntensity = 250;

  standin::ResetJournal();
  for (const MaterialRecord* record : {&oak, &glass, &lamp}) ExportMaterial(kSession, *record, ExportSettings{GetExchangeFolder(), false});
  const std::vector<Json> calls = testing::JournalCalls();
  ASSERT_EQ(calls.size(), expected.size());
  for (std::size_t i = 0; i < calls.size(); ++i) {
    std::string why;
    EXPECT_TRUE(testing::CallMatches(calls[i], expected[i], 0, &why)) << i << ": " << why;
  }
}

}  // namespace
}  // namespace tarnwick
