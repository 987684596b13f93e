#include "inspect/path_inspection.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <limits>

#include "inspect/inspect_test_models.h"

// Whole exchange folders: the clean model's exact summary, the house sample, a
// project change and the findings of the text files and records.
namespace tarnwick::inspect {
namespace {

using namespace testing;

class PathInspectionTest : public ::testing::Test {
 protected:
  PathReport Inspect(const std::string& path) { return InspectPath(path, log_, {}); }
  CraftedFolder folder_;
  FindingLog log_{1000};
};

TEST_F(PathInspectionTest, ACleanModelHasExactCountsAndNoFinding) {
  folder_.Write("_model.cvm", cw::ModelFile(kProject, CleanBody()));
  const PathReport report = Inspect(folder_.path());
  EXPECT_EQ(log_.total(), 0u) << (log_.listed().empty() ? "" : log_.listed()[0].message);
  ASSERT_TRUE(report.is_folder);
  ASSERT_EQ(report.containers.size(), 1u);
  const ContainerSummary& model = report.containers[0];
  EXPECT_EQ(model.file, "_model.cvm");
  EXPECT_EQ(model.format_version, 7u);
  EXPECT_EQ(model.header_name, "Corvella");
  EXPECT_EQ(model.project, "C:\\Projects\\Clean.pro");
  ASSERT_EQ(model.slots.size(), 1u);
  EXPECT_EQ(model.slots[0].kind, 2u);
  EXPECT_EQ(model.slots[0].offset, static_cast<std::int32_t>(kBodyStart));
  EXPECT_EQ(model.slots[0].body_size, model.size - kBodyStart);
  ASSERT_TRUE(model.body);
  const BodySummary& body = *model.body;
  EXPECT_EQ(body.materials, 2u);
  EXPECT_EQ(body.lights.total, 3u);
  EXPECT_EQ(body.lights.by_kind, (std::map<std::string, std::uint64_t>{{"IES", 1}, {"point", 1}, {"spot", 1}}));
  EXPECT_EQ(body.lights.not_sent, 0u);
  EXPECT_EQ(body.solids, 2u);
  EXPECT_EQ(body.parts, 3u);
  EXPECT_EQ(body.vertices, 11u);
  EXPECT_EQ(body.triangles, 5u);
  EXPECT_EQ(body.bounds.min, (std::array<float, 3>{0, 0, 0}));
  EXPECT_EQ(body.bounds.max, (std::array<float, 3>{2, 3, 5}));
  ASSERT_TRUE(body.views);
  EXPECT_EQ(body.views->active, 1);
  ASSERT_EQ(body.views->views.size(), 2u);
  EXPECT_EQ(body.views->views[1].name, "Side");
}

TEST_F(PathInspectionTest, TheHouseSampleHasItsKnownCounts) {
  const char* samples = std::getenv("TARNWICK_SAMPLES");
  ASSERT_NE(samples, nullptr);
  const PathReport report = Inspect(std::string(samples) + "/house");
  ASSERT_EQ(report.containers.size(), 1u);  // the sample's _mod.sm is named update_mod.sm
  const BodySummary& body = *report.containers[0].body;
  EXPECT_EQ(report.containers[0].project, "C:\\Projects\\House.pro");
  EXPECT_EQ(body.materials, 3u);
  EXPECT_EQ(body.lights.total, 3u);
  EXPECT_EQ(body.lights.switched_off, 1u);
  EXPECT_EQ(body.lights.not_sent, 1u);
  EXPECT_EQ(body.solids, 3u);
  EXPECT_EQ(body.parts, 3u);
  EXPECT_EQ(body.vertices, 12u);
  EXPECT_EQ(body.triangles, 5u);
  EXPECT_EQ(body.views->views.size(), 2u);
  EXPECT_EQ(body.views->active, 0);
  ASSERT_EQ(report.camera_files.size(), 1u);
  EXPECT_EQ(report.camera_files[0].camera->name, "Current");
  EXPECT_EQ(log_.Count(Severity::kError), 0u);
  // One solid has no parts, and the part "Loose" has 13 position values.
  EXPECT_EQ(WithCode(log_, "solid_empty").size(), 1u);
  EXPECT_EQ(WithCode(log_, "position_count_not_triple").at(0).where.part, "Loose");

  FindingLog log(1000);
  const PathReport update = InspectPath(std::string(samples) + "/house/update_mod.sm", log, {});
  ASSERT_TRUE(update.containers.at(0).removals);
  const RemovalSummary& removals = *update.containers[0].removals;
  ASSERT_EQ(removals.lists.size(), 2u);
  EXPECT_EQ(removals.lists[0].name, "Solid");
  EXPECT_EQ(removals.lists[0].ids, (std::vector<std::uint32_t>{10, 99}));
  EXPECT_EQ(removals.lists[1].ids, (std::vector<std::uint32_t>{2}));
  EXPECT_EQ(update.containers[0].body->solids, 1u);
}

TEST_F(PathInspectionTest, AProjectChangeBetweenTheModelAndTheIncrementalFile) {
  folder_.Write("_model.cvm", cw::ModelFile(kProject, CleanBody()));
  folder_.Write("_mod.sm", cw::IncrementalFile(u"C:\\Projects\\Other.pro",
                                               cw::RemovalSection{{{u"Solid", {1}}}}, cw::ModelBody{}));
  const PathReport report = Inspect(folder_.path());
  ASSERT_TRUE(report.project);
  EXPECT_TRUE(report.project->changed);
  EXPECT_EQ(report.project->incremental_project, "C:\\Projects\\Other.pro");
  const std::vector<Finding> found = WithCode(log_, "project_changed");
  ASSERT_EQ(found.size(), 1u);
  EXPECT_EQ(found[0].where.file, "_mod.sm");

  FindingLog same_log(1000);
  folder_.Write("_mod.sm", cw::IncrementalFile(kProject, cw::RemovalSection{}, cw::ModelBody{}));
  const PathReport same = InspectPath(folder_.path(), same_log, {});
  ASSERT_TRUE(same.project);
  EXPECT_FALSE(same.project->changed);
  EXPECT_TRUE(WithCode(same_log, "project_changed").empty());
}

TEST_F(PathInspectionTest, RecordsThatTheBridgeSendsOtherwiseOrNotAtAll) {
  cw::ModelBody body;
  body.materials = {MaterialText("Stone", "stone.png"), MaterialText(""),
                    cw::Widen("MaterialID_Name [Odd]\nDiffuse 0.5 x 0.3\nColour red\n")};
  body.lights = {LightText("Odd", "Torch", 1), LightText("Off", "point", 2, false),
                 LightText("Panel", "Area", 3), LightText("Beam", "IES", 4, true, "none.ies")};
  body.cameras = CamerasText({"Only"}, 3);
  folder_.Write("_model.cvm", cw::ModelFile(kProject, body));
  const PathReport report = Inspect(folder_.path());
  EXPECT_EQ(WithCode(log_, "texture_missing").at(0).where.material, "Stone");
  EXPECT_EQ(WithCode(log_, "material_name_missing").size(), 1u);
  EXPECT_EQ(WithCode(log_, "light_kind_unknown").at(0).where.light, "Odd");
  EXPECT_EQ(WithCode(log_, "ies_missing").at(0).where.light, "Beam");
  const std::vector<Finding> not_sent = WithCode(log_, "light_not_sent");
  ASSERT_EQ(not_sent.size(), 2u);
  EXPECT_EQ(not_sent[0].where.light, "Off");
  EXPECT_EQ(not_sent[1].where.light, "Panel");
  EXPECT_EQ(WithCode(log_, "active_view_outside").size(), 1u);
  EXPECT_EQ(WithCode(log_, "keyed_line_skipped").at(0).where.material, "Odd");
  EXPECT_EQ(WithCode(log_, "keyed_value_unreadable").at(0).where.material, "Odd");
  const LightCounts& lights = report.containers.at(0).body->lights;
  EXPECT_EQ(lights.by_kind.at("unknown"), 1u);
  EXPECT_EQ(lights.switched_off, 1u);
  EXPECT_EQ(lights.not_sent, 2u);
  EXPECT_EQ(log_.Count(Severity::kError), 0u);
}

TEST_F(PathInspectionTest, TextFilesOfTheFolder) {
  folder_.Write("_model.cvm", cw::ModelFile(kProject, CleanBody()));
  folder_.Write("camera.cam", "\xEF\xBB\xBF" "Camera_Start\nCamera_Name [X]\nCamera_End\n");
  folder_.Write("Views.cam", "Cameras_Start\r\nCameras_nActCamera [0]\r\nCameras_End\r\n");
  folder_.Write("_mod.sync",
                "SourceProject: [C:\\P.pro]\r\nID3D: [3] TimeStamp: [-1]\r\nID3D: [x] TimeStamp: [1]\r\n"
                "Material: [a] b] TimeStamp: [4] MatIndex: [0]\r\n");
  folder_.Write("D5_Log.log", "[t]: Args - cameraSync\r\n[t]: done\r\n");
  const PathReport report = Inspect(folder_.path());
  ASSERT_EQ(report.camera_files.size(), 2u);
  EXPECT_EQ(WithCode(log_, "camera_default").at(0).where.file, "camera.cam");
  EXPECT_EQ(report.camera_files[1].views->views.size(), 0u);
  ASSERT_TRUE(report.sync_record);
  EXPECT_EQ(report.sync_record->project, "C:\\P.pro");
  EXPECT_EQ(report.sync_record->solids, 1u);
  EXPECT_EQ(report.sync_record->materials, 1u);
  EXPECT_EQ(WithCode(log_, "sync_line_unparsed").at(0).where.line, 3u);
  ASSERT_TRUE(report.log);
  EXPECT_EQ(report.log->lines, 2u);
  EXPECT_EQ(report.log->last_line, "[t]: done");
}

TEST_F(PathInspectionTest, MissingAndUnreadablePaths) {
  Inspect(folder_.path());
  EXPECT_EQ(WithCode(log_, "model_file_missing").size(), 1u);
  const PathReport missing = Inspect(folder_.PathOf("nothing.cvm"));
  EXPECT_FALSE(missing.readable);
  EXPECT_EQ(WithCode(log_, "path_unreadable").at(0).where.file, "nothing.cvm");
}

TEST(FileKindTest, NamesAndExtensions) {
  EXPECT_EQ(KindOfFileName("_MODEL.CVM"), FileKind::kModel);
  EXPECT_EQ(KindOfFileName("_mod.sm"), FileKind::kIncremental);
  EXPECT_EQ(KindOfFileName("update_mod.sm"), FileKind::kIncremental);
  EXPECT_EQ(KindOfFileName("views.cam"), FileKind::kViews);
  EXPECT_EQ(KindOfFileName("camera.cam"), FileKind::kCamera);
  EXPECT_EQ(KindOfFileName("_mod.sync"), FileKind::kSyncRecord);
  EXPECT_EQ(KindOfFileName("D5_Log.log"), FileKind::kLog);
  EXPECT_EQ(KindOfFileName("anything"), FileKind::kModel);
}

}  // namespace
}  // namespace tarnwick::inspect
