#include "scene_replay/journal_replay.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include "renderer/d5api.h"
#include "standin/standin.h"
#include "testlib/temp_exchange.h"

namespace scene_replay {
namespace {

using scene_gltf::Vec3;

const float kIdentity[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};

// The stand-in's journal so far, as its file would hold it.
std::string Journal() {
  std::string text;
  for (const std::string& line : standin::JournalLines()) text += line + "\n";
  return text;
}

ReplayResult Replayed(const std::string& text, const ReplayOptions& options = {}) {
  std::istringstream stream(text);
  return ReplayJournal(stream, options);
}

// One triangle in host axes: (0,0,0), (1,0,0), (0,2,0), with normals up.
void SendTriangle(const char16_t* part) {
  const float positions[] = {0, 0, 0, 1, 0, 0, 0, 2, 0};
  const float normals[] = {0, 0, 1, 0, 0, 1, 0, 0, 1};
  const float texcoords[] = {0, 0, 1, 0, 0, 1};
  const std::uint32_t indices[] = {0, 1, 2};
  const MeshDescriptor mesh{3, 3, positions, texcoords, normals, indices};
  D5API_AddIndexedTriangle(1, part, &mesh);
}

void SendNode(const char16_t* name, int parts) {
  D5API_BeginNode(1, name, kIdentity, 1);
  for (int i = 0; i < parts; ++i) SendTriangle(u"Brick");
  D5API_EndNode(1);
}

class JournalReplayTest : public ::testing::Test {
 protected:
  void SetUp() override { standin::Configure({.whole_arrays = true}); }
  void TearDown() override { standin::Configure({}); }
};

TEST_F(JournalReplayTest, NodesAreTurnedIntoRendererAxesAndFollowDeletesAndFlushes) {
  SendNode(u"Solid_1", 1);
  SendNode(u"Solid_2", 2);
  D5API_FlushData(1, nullptr);
  D5API_DeleteNode(1, u"Solid_1");
  SendNode(u"Solid_2", 1);  // resent after an edit: begun again under its name
  D5API_FlushData(1, nullptr);

  const ReplayResult end = Replayed(Journal());
  ASSERT_TRUE(end.ok) << end.error;
  EXPECT_EQ(end.flushes, 2u);
  ASSERT_EQ(end.scene.nodes.size(), 1u);
  const scene_gltf::Node& node = end.scene.nodes[0];
  EXPECT_EQ(node.name, "Solid_2");
  ASSERT_EQ(node.primitives.size(), 1u);
  const scene_gltf::Primitive& part = node.primitives[0];
  EXPECT_EQ(part.name, "Brick");
  // Host (1, 0, 0) is renderer (0, -1, 0); host (0, 2, 0) is renderer (2, 0, 0).
  EXPECT_EQ(part.positions, (std::vector<float>{0, 0, 0, 0, -1, 0, 2, 0, 0}));
  EXPECT_EQ(part.normals, (std::vector<float>{0, 0, 1, 0, 0, 1, 0, 0, 1}));
  EXPECT_EQ(part.texcoords, (std::vector<float>{0, 0, 1, 0, 0, 1}));
  EXPECT_EQ(part.indices, (std::vector<std::uint32_t>{0, 1, 2}));

  const ReplayResult first = Replayed(Journal(), {.flush = 1});
  ASSERT_TRUE(first.ok) << first.error;
  ASSERT_EQ(first.scene.nodes.size(), 2u);
  EXPECT_EQ(first.scene.nodes[1].primitives.size(), 2u);

  const ReplayResult wrong = Replayed(Journal(), {.wrong_axes = true});
  EXPECT_EQ(wrong.scene.nodes[0].primitives[0].positions,
            (std::vector<float>{0, 0, 0, 0, 1, 0, -2, 0, 0}));

  const ReplayResult beyond = Replayed(Journal(), {.flush = 3});
  EXPECT_FALSE(beyond.ok);
  EXPECT_EQ(beyond.error, "the journal holds 2 flushes, not 3");
}

TEST_F(JournalReplayTest, MaterialsLightsAndCamerasAsTheRendererHoldsThem) {
  tarnwick::testing::TempDir textures;
  std::filesystem::create_directory(textures.path() + "/sub");
  tarnwick::testing::WriteNativeFile(textures.path() + "/sub/oak.jpg", "jpeg");
  D5API_AddMaterial(1, u"Brick");
  D5API_SetMaterialStringProperty(1, u"Brick", u"Diffuse (Color)", u"#FF7F00");
  D5API_AddMaterial(1, u"Oak");
  D5API_SetMaterialStringProperty(1, u"Oak", u"Diffuse Map", u"C:\\Data\\Textures\\sub\\oak.jpg");
  D5API_AddMaterial(1, u"Gone");
  D5API_ResetMaterial(1, u"Gone");
  D5API_AddMaterial(1, u"Brick");  // sent again in full: the earlier colour is gone
  D5API_SetMaterialFloatProperty(1, u"Brick", u"Opacity", 0.5f);

  D5API_AddLight(1, u"Light13");
  D5API_SetLightIntProperty(1, u"Light13", u"type", 1);
  D5API_SetLightFloatProperty(1, u"Light13", u"brightness", 500);
  const float color[] = {255, 127.5f, 0};
  D5API_SetLightFloatArrayProperty(1, u"Light13", u"light_color", color, 3);
  const float transform[] = {1, 0, 0, 0, 0, 0, 1, 0, 0, -1, 0, 0, 4, 5, 6, 1};
  D5API_SetLightFloatArrayProperty(1, u"Light13", u"transform", transform, 16);
  D5API_SetLightFloatProperty(1, u"Light13", u"light_cone_angle", 40);
  D5API_AddLight(1, u"Light12");
  D5API_RemoveLight(1, u"Light12");
  D5API_AddLight(1, u"Warm");
  D5API_SetLightFloatProperty(1, u"Warm", u"light_temperature", 3000);

  const float camera[] = {-10, 0, 2, 0, 0, 1, 0, 0, 1, 62};
  const float side[] = {0, -10, 2, 0, 0, 1, 0, 0, 1, 55.8f};
  D5API_SetCameraFloatProperty(1, u"camera_near_clip_plane", 0.1f);
  D5API_SendSimpleCamera(1, camera, 62);
  D5API_SendCurrentActiveCamera(1);
  D5API_AddSceneView(1, u"Side", u"Side", side, 55.8f);
  D5API_SetCameraFloatProperty(1, u"camera_near_clip_plane", 0.2f);
  D5API_SendSceneViews(1);

  const ReplayResult result = Replayed(Journal(), {.texture_folder = textures.path()});
  ASSERT_TRUE(result.ok) << result.error;
  ASSERT_EQ(result.scene.materials.size(), 2u);
  const scene_gltf::Material& oak = result.scene.materials[0];
  EXPECT_EQ(oak.name, "Oak");
  EXPECT_EQ(std::filesystem::path(oak.texture_uri),
            std::filesystem::path(textures.path()) / "sub/oak.jpg");
  const scene_gltf::Material& brick = result.scene.materials[1];
  EXPECT_TRUE(brick.texture_uri.empty());
  EXPECT_EQ(brick.base_color, scene_gltf::Material{}.base_color);
  EXPECT_EQ(result.materials[1].Get("Opacity"), 0.5);

  ASSERT_EQ(result.scene.lights.size(), 2u);
  const scene_gltf::Light& spot = result.scene.lights[0];
  EXPECT_EQ(spot.kind, scene_gltf::Light::Kind::Spot);
  EXPECT_EQ(spot.intensity, 500.0f);
  EXPECT_EQ(spot.color, (Vec3{1.0f, 0.5f, 0.0f}));
  EXPECT_EQ(spot.position, (Vec3{4, 5, 6}));
  EXPECT_EQ(spot.direction, (Vec3{0, 1, 0}));  // minus the third row
  EXPECT_EQ(spot.cone_degrees, 40.0f);
  // A light sent with a temperature and no colour: warm white, a point light by default.
  const scene_gltf::Light& warm = result.scene.lights[1];
  EXPECT_EQ(warm.kind, scene_gltf::Light::Kind::Point);
  EXPECT_EQ(warm.color[0], 1.0f);
  EXPECT_NEAR(warm.color[1], 0.69f, 0.02f);
  EXPECT_NEAR(warm.color[2], 0.42f, 0.02f);

  ASSERT_TRUE(result.scene.camera);
  EXPECT_EQ(result.scene.camera->position, (Vec3{-10, 0, 2}));
  EXPECT_EQ(result.scene.camera->fov_degrees, 62.0f);
  EXPECT_EQ(result.scene.camera->near_clip, 0.1f);
  ASSERT_EQ(result.scene.views.size(), 1u);
  EXPECT_EQ(result.scene.views[0].name, "Side");
  EXPECT_EQ(result.scene.views[0].near_clip, 0.2f);
}

TEST_F(JournalReplayTest, ColourTextIsReadAsSrgb) {
  D5API_AddMaterial(1, u"Brick");
  D5API_SetMaterialStringProperty(1, u"Brick", u"Diffuse (Color)", u"#FF7F00");
  const ReplayResult result = Replayed(Journal());
  ASSERT_EQ(result.scene.materials.size(), 1u);
  const Vec3 color = result.scene.materials[0].base_color;
  EXPECT_FLOAT_EQ(color[0], 1.0f);
  EXPECT_NEAR(color[1], 0.212f, 0.001f);  // 127 / 255 in linear terms
  EXPECT_FLOAT_EQ(color[2], 0.0f);
}

TEST_F(JournalReplayTest, BadJournalsGiveAClearOutcome) {
  standin::Configure({});  // hashes only
  SendNode(u"Solid_1", 1);
  const ReplayResult hashes = Replayed(Journal());
  EXPECT_FALSE(hashes.ok);
  EXPECT_EQ(
      hashes.error,
      "line 2: the journal holds hashes only: record it with RENDERER_STANDIN_WHOLE_ARRAYS=1");

  const ReplayResult odd = Replayed(
      "{\"fn\": \"D5API_BeginNode\", \"name\": \"Solid_1\"}\n"
      "not json\n"
      "\n"
      "{\"fn\": \"D5API_AddIndexedTriangle\", \"first_count\": \"three\"}\n"
      "{\"fn\": \"D5API_SetLightFloatProperty\", \"name\": \"L\", \"prop\": \"brightness\"}\n"
      "{\"fn\": \"D5API_SendSimpleCamera\", \"camera\": [1, 2]}\n"
      "{\"fn\": \"D5API_AddIndexedTriangle\", \"position_values\": [0, 0, 0, 1, 0, 0], "
      "\"index_values\": [0, 1, \"x\"]}\n"
      "{\"fn\": \"D5API_EndNode\"}\n"
      "{\"fn\": \"D5API_AddIndexedTriangle\", \"position_values\": []}\n"
      "{\"fn\": \"D5API_Send");
  ASSERT_TRUE(odd.ok) << odd.error;
  EXPECT_EQ(odd.warnings.size(), 6u);
  ASSERT_EQ(odd.scene.nodes.size(), 1u);
  ASSERT_EQ(odd.scene.nodes[0].primitives.size(), 1u);
  EXPECT_EQ(odd.scene.nodes[0].primitives[0].indices, (std::vector<std::uint32_t>{0, 1, 0}));
  EXPECT_FALSE(odd.scene.camera);
}

}  // namespace
}  // namespace scene_replay
