#include "inspect/host_model_scene.h"

#include <gtest/gtest.h>
#include <tiny_gltf.h>

#include <cstring>
#include <filesystem>
#include <sstream>

#include "bridge/requests.h"
#include "container_writer/container_writer.h"
#include "host_sim/demo_model.h"
#include "inspect/inspect_test_models.h"
#include "inspect/inspector_run.h"
#include "scene_replay/journal_replay.h"
#include "standin/standin.h"
#include "testlib/samples.h"
#include "testlib/temp_exchange.h"

namespace tarnwick::inspect {
namespace {

namespace cw = container_writer;
using ::tarnwick::testing::TempExchangeFolder;

constexpr char kPosition[] = "POSITION";
constexpr float kMatrixTolerance = 1e-5f;

// What a .glb holds that both paths must agree on.
struct GlbContent {
  std::vector<std::string> solids;                 // names of the nodes that are no camera or light
  std::vector<std::vector<float>> positions;       // per solid, its primitives' positions in turn
  std::vector<std::string> lights;                 // names of the light nodes
  std::vector<std::vector<double>> light_places;   // their matrices or translations
  std::vector<double> first_camera;                // the matrix of the first camera's node
  std::vector<std::string> texture_uris;
};

std::vector<float> Floats(const tinygltf::Model& model, int accessor_index) {
  const tinygltf::Accessor& accessor = model.accessors.at(static_cast<std::size_t>(accessor_index));
  const tinygltf::BufferView& view = model.bufferViews.at(static_cast<std::size_t>(accessor.bufferView));
  const auto& data = model.buffers.at(static_cast<std::size_t>(view.buffer)).data;
  std::vector<float> values(accessor.count * 3);
  std::memcpy(values.data(), data.data() + view.byteOffset + accessor.byteOffset, values.size() * sizeof(float));
  return values;
}

GlbContent ReadGlb(const std::string& path) {
  tinygltf::Model model;
  tinygltf::TinyGLTF loader;
  std::string error, warning;
  // Texture files are looked at by name only; their bytes are no image.
  loader.SetImageLoader([](tinygltf::Image*, const int, std::string*, std::string*, int, int,
                           const unsigned char*, int, void*) { return true; },
                        nullptr);
  EXPECT_TRUE(loader.LoadBinaryFromFile(&model, &error, &warning, path)) << error;
  GlbContent content;
  for (const tinygltf::Node& node : model.nodes) {
    if (node.camera >= 0) {
      if (content.first_camera.empty()) content.first_camera = node.matrix;
    } else if (!node.extensions.empty()) {
      content.lights.push_back(node.name);
      content.light_places.push_back(node.matrix.empty() ? node.translation : node.matrix);
    } else {
      content.solids.push_back(node.name);
      std::vector<float>& positions = content.positions.emplace_back();
      if (node.mesh < 0) continue;
      for (const tinygltf::Primitive& part : model.meshes.at(static_cast<std::size_t>(node.mesh)).primitives) {
        const std::vector<float> part_positions = Floats(model, part.attributes.at(kPosition));
        positions.insert(positions.end(), part_positions.begin(), part_positions.end());
      }
    }
  }
  for (const tinygltf::Image& image : model.images) content.texture_uris.push_back(image.uri);
  return content;
}

// The bridge's start-up export and camera request on the folder, as the stand-in recorded
// them, replayed and written as scene_replay writes it.
std::string ReceivedGlb(const TempExchangeFolder& folder) {
  standin::Configure({.whole_arrays = true});
  ExchangeDocument document;
  EXPECT_TRUE(RunStartupExport(document));
  ServeCameraSync(document);
  std::stringstream journal;
  for (const std::string& line : standin::JournalLines()) journal << line << '\n';
  standin::Configure({});
  const scene_replay::ReplayResult replayed =
      scene_replay::ReplayJournal(journal, {.texture_folder = folder.PathOf("Textures")});
  EXPECT_TRUE(replayed.ok) << replayed.error;
  const std::string path = folder.PathOf("received.glb");
  EXPECT_TRUE(scene_gltf::WriteGlb(replayed.scene, path).ok);
  return path;
}

std::string HostGlb(const TempExchangeFolder& folder) {
  const std::string path = folder.PathOf("host.glb");
  std::string message;
  EXPECT_TRUE(WriteHostGlb(folder.native_folder(), path, {}, message)) << message;
  return path;
}

void ExpectSameScene(const TempExchangeFolder& folder) {
  const GlbContent received = ReadGlb(ReceivedGlb(folder));
  const GlbContent host = ReadGlb(HostGlb(folder));
  ASSERT_FALSE(host.solids.empty());
  EXPECT_EQ(host.solids, received.solids);
  ASSERT_EQ(host.positions.size(), received.positions.size());
  for (std::size_t i = 0; i < host.positions.size(); ++i) {
    EXPECT_EQ(host.positions[i], received.positions[i]) << host.solids[i];
  }
  EXPECT_EQ(host.lights, received.lights);
  ASSERT_EQ(host.light_places.size(), received.light_places.size());
  for (std::size_t i = 0; i < host.light_places.size(); ++i) {
    ASSERT_EQ(host.light_places[i].size(), received.light_places[i].size());
    for (std::size_t k = 0; k < host.light_places[i].size(); ++k) {
      EXPECT_NEAR(host.light_places[i][k], received.light_places[i][k], kMatrixTolerance) << host.lights[i];
    }
  }
  ASSERT_EQ(host.first_camera.size(), received.first_camera.size());
  for (std::size_t k = 0; k < host.first_camera.size(); ++k) {
    EXPECT_NEAR(host.first_camera[k], received.first_camera[k], kMatrixTolerance);
  }
  EXPECT_EQ(host.texture_uris, received.texture_uris);
}

TEST(HostModelScene, SameSceneAsTheRendererReceivedForTheHouseSample) {
  const auto model = ::tarnwick::testing::ReadSampleFile("house/_model.cvm");
  const auto camera = ::tarnwick::testing::ReadSampleFile("house/camera.cam");
  ASSERT_TRUE(model && camera) << "TARNWICK_SAMPLES must name the shared samples";
  TempExchangeFolder folder;
  folder.Write("_model.cvm", *model);
  folder.Write("camera.cam", *camera);
  ExpectSameScene(folder);
}

TEST(HostModelScene, SameSceneAsTheRendererReceivedForTheDemoFolder) {
  TempExchangeFolder folder;
  ASSERT_TRUE(cw::WriteContainerFile(host_sim::DemoModel(), folder.PathOf("_model.cvm")));
  ASSERT_TRUE(cw::WriteContainerFile(host_sim::DemoUpdate(), folder.PathOf("_mod.sm")));
  folder.Write("camera.cam", host_sim::DemoCameraText());
  folder.Write("Views.cam", host_sim::DemoViewsText());
  ExpectSameScene(folder);
}

// Textures that exist, lights of every kind, a part the bridge refuses and a repeated solid.
TEST(HostModelScene, SameSceneAsTheRendererReceivedForACraftedModel) {
  cw::ModelBody body = testing::CleanBody();
  cw::Part broken = testing::Quad(u"Broken", 2);
  broken.indices = {0, 1, 7};
  body.solids.push_back(cw::Solid{3, 102, u"", {broken, testing::Quad(u"Kept", 3)}, false});
  body.solids.push_back(cw::Solid{1, 103, u"", {testing::Quad(u"Again", 4)}, false});
  TempExchangeFolder folder;
  std::filesystem::create_directories(folder.PathOf("Textures"));
  folder.Write("Textures/oak.jpg", "jpeg");
  ASSERT_TRUE(cw::WriteContainerFile(cw::ModelFile(testing::kProject, body), folder.PathOf("_model.cvm")));
  folder.Write("camera.cam", host_sim::DemoCameraText());
  ExpectSameScene(folder);

  const GlbContent host = ReadGlb(folder.PathOf("host.glb"));
  EXPECT_EQ(host.solids, (std::vector<std::string>{"Solid_2", "Solid_3", "Solid_1"}));
  EXPECT_EQ(host.positions[1].size(), 12u) << "only the part whose indices name its vertices";
  EXPECT_EQ(host.lights, (std::vector<std::string>{"Light11", "Light12", "Light13"}));
  EXPECT_EQ(host.texture_uris, (std::vector<std::string>{"Textures/oak.jpg"}));
}

TEST(HostModelScene, UnreadableModelsAndFilesGiveAMessageAndNoFile) {
  TempExchangeFolder folder;
  std::string message;
  EXPECT_FALSE(WriteHostGlb(folder.native_folder(), folder.PathOf("a.glb"), {}, message));
  EXPECT_NE(message.find("cannot open"), std::string::npos) << message;
  folder.Write("_model.cvm", std::string(1000, '\0'));
  EXPECT_FALSE(WriteHostGlb(folder.native_folder(), folder.PathOf("a.glb"), {}, message));
  EXPECT_NE(message.find("no header"), std::string::npos) << message;
  cw::Container removals_only = cw::IncrementalFile(testing::kProject, {}, {});
  removals_only.slots.resize(1);
  ASSERT_TRUE(cw::WriteContainerFile(removals_only, folder.PathOf("_model.cvm")));
  EXPECT_FALSE(WriteHostGlb(folder.native_folder(), folder.PathOf("a.glb"), {}, message));
  EXPECT_NE(message.find("holds no model body"), std::string::npos) << message;
  EXPECT_FALSE(folder.Exists("a.glb"));

  ASSERT_TRUE(cw::WriteContainerFile(cw::ModelFile(testing::kProject, testing::CleanBody()),
                                     folder.PathOf("_model.cvm")));
  EXPECT_FALSE(WriteHostGlb(folder.native_folder(), folder.PathOf("missing/a.glb"), {}, message));
  EXPECT_NE(message.find("cannot write"), std::string::npos) << message;
  EXPECT_TRUE(WriteHostGlb(folder.PathOf("_model.cvm"), folder.PathOf("a.glb"), {}, message)) << message;
  EXPECT_NE(message.find("2 nodes"), std::string::npos) << message;
}

TEST(HostModelScene, TheGlbOptionTakesOneFileAndOnePath) {
  std::string error;
  EXPECT_FALSE(ParseArguments({"--glb"}, error));
  EXPECT_EQ(error, "--glb needs a file name");
  EXPECT_FALSE(ParseArguments({"--glb", "a.glb", "one", "two"}, error));
  EXPECT_EQ(error, "--glb takes exactly one path");
  const auto options = ParseArguments({"--glb", "a.glb", "--glb-plain", "one"}, error);
  ASSERT_TRUE(options);
  EXPECT_EQ(options->glb, "a.glb");
  EXPECT_TRUE(options->glb_plain);
}

}  // namespace
}  // namespace tarnwick::inspect
