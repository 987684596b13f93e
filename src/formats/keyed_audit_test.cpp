#include "formats/keyed_audit.h"

#include <gtest/gtest.h>

// The audit of record texts: what the readers pass over or cannot read, with the
// kinds' own tables.
namespace tarnwick {
namespace {

TEST(KeyedAuditTest, AWellFormedRecordHasNothingToReport) {
  const KeyedAudit material = AuditMaterialRecord(
      u"Ver 3\nMaterialID_Name [Oak]\nDiffuse 0.5 0.4 0.3\nnTimeID [4]\n"
      u"MatExt_ObjectSTART\nExtendMaterial_Start\nExtendMaterial_Bogus [1]\nExtendMaterial_End\nMatExt_ObjectEND\n");
  EXPECT_EQ(material.skipped_lines, 0u);
  EXPECT_EQ(material.unreadable_values, 0u);
  const KeyedAudit camera = AuditCameraRecord(u"Camera_Start\nCamera_Name [A]\nCamera__from [1 2 3]\nCamera_End\n");
  EXPECT_EQ(camera.skipped_lines, 0u);
  EXPECT_EQ(camera.unreadable_values, 0u);
}

TEST(KeyedAuditTest, SkippedLinesAndUnreadableValues) {
  const KeyedAudit material =
      AuditMaterialRecord(u"MaterialID_Name [Oak]\nDiffuse 0.5 x 0.3\nColour red\nIOR [1.5]\nnTimeID [4]\nShine 1\n");
  EXPECT_EQ(material.skipped_lines, 2u);
  EXPECT_EQ(material.first_skipped, u"Colour red");
  // "Diffuse" reads one of its three numbers; "IOR" is bare, so "[1.5]" is no number.
  EXPECT_EQ(material.unreadable_values, 2u);
  EXPECT_EQ(material.first_unreadable, u"Diffuse");
  const KeyedAudit light = AuditLightRecord(u"LightSolidID [x]\nLightSource [spot]\nLightEnable [1]\n");
  EXPECT_EQ(light.unreadable_values, 1u);
  EXPECT_EQ(light.skipped_lines, 1u);  // the key is "LightEnable:"
  // Lines outside the markers never reach the key tests and are not counted (a camera file
  // whose first line carries a byte-order mark is all outside them).
  const KeyedAudit camera = AuditCameraRecord(u"\xEF\xBB\xBF" u"Camera_Start\nCamera_Name [A]\nCamera_End\n");
  EXPECT_EQ(camera.skipped_lines, 0u);
  const KeyedAudit inside = AuditCameraRecord(u"Camera_Start\nCamera_fov [50]\nCamera_End\nCamera_Name [B]\n");
  EXPECT_EQ(inside.skipped_lines, 1u);
  EXPECT_EQ(inside.first_skipped, u"Camera_fov [50]");
}

}  // namespace
}  // namespace tarnwick
