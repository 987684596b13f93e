#include "scene_gltf/gltf_writer.h"

#include <gtest/gtest.h>
#include <tiny_gltf.h>

#include <cmath>
#include <cstring>
#include <limits>

#include "testlib/temp_exchange.h"

namespace scene_gltf {
namespace {

using tarnwick::testing::ReadNativeFile;
using tarnwick::testing::TempDir;
using tarnwick::testing::WriteNativeFile;

// Images are left unread: the test looks at the file's structure only.
bool SkipImage(tinygltf::Image*, const int, std::string*, std::string*, int, int,
               const unsigned char*, int, void*) {
  return true;
}

tinygltf::Model ReadBack(const std::string& path) {
  tinygltf::TinyGLTF loader;
  loader.SetImageLoader(SkipImage, nullptr);
  tinygltf::Model model;
  std::string error, warning;
  EXPECT_TRUE(loader.LoadBinaryFromFile(&model, &error, &warning, path)) << error;
  return model;
}

// Element i of a float accessor with n components.
Vec3 Element(const tinygltf::Model& model, int accessor_index, std::size_t i) {
  const tinygltf::Accessor& accessor = model.accessors[accessor_index];
  const tinygltf::BufferView& view = model.bufferViews[accessor.bufferView];
  Vec3 out{};
  std::memcpy(out.data(), &model.buffers[view.buffer].data[view.byteOffset + i * 12], 12);
  return out;
}

// The image of a direction under a node's (column-major) matrix.
Vec3 Rotate(const std::vector<double>& m, const Vec3& v) {
  Vec3 out{};
  for (int r = 0; r < 3; ++r) {
    out[r] = static_cast<float>(m[r] * v[0] + m[4 + r] * v[1] + m[8 + r] * v[2]);
  }
  return out;
}

void ExpectNear(const Vec3& actual, const Vec3& expected) {
  for (int i = 0; i < 3; ++i) EXPECT_NEAR(actual[i], expected[i], 1e-5) << "component " << i;
}

Scene HouseScene() {
  Scene scene;
  Node wall{"Solid_3", {}};
  // Host x = 1 is renderer y = -1, which is glTF z = +1.
  AddHostPart(wall, {"Brick",
                     {0, 0, 0, 1, 0, 0, 0, 0, 2},
                     {0, 0, 1, 0, 0, 1, 0, 0, 1},
                     {},
                     {0, 1, 2, 0, 1, 7, 2}});
  wall.primitives.push_back({"Loose", {0, 0, 0}, {}, {}, {0, 0, 0}});
  wall.primitives.push_back({"Empty", {}, {}, {}, {}});
  scene.nodes.push_back(wall);
  scene.nodes.push_back({"Solid_-1", {}});
  scene.materials.push_back({"Brick", {0.6f, 0.25f, 0.2f}, "brick.jpg"});
  Light spot{"Light13", Light::Kind::Spot, {1, 0.5f, 0}, 500, {0, 0, 3}, {1, 0, 0}, 60};
  scene.lights.push_back(spot);
  scene.lights.push_back({"Light12", Light::Kind::Point, {1, 1, 1}, 100, {2, -1, 3}});
  scene.camera = HostCamera("Current", {1, 2, 3}, {1, 12, 3}, {0, 0, 1}, 50, 0.25f);
  scene.views.push_back(HostCamera("Side", {0, 0, 0}, {0, 0, -5}, {0, 0, 1}, 45, 0.1f));
  return scene;
}

TEST(GltfWriterTest, SolidsPartsAndMaterialsInGltfAxes) {
  TempDir dir;
  const std::string texture = dir.path() + "/brick.jpg";
  WriteNativeFile(texture, "not overwritten");
  const std::string path = dir.path() + "/scene.glb";
  const WriteResult result = WriteGlb(HouseScene(), path);
  ASSERT_TRUE(result.ok) << result.error;
  EXPECT_EQ(result.dropped_triangles, 1u);  // index 7 names no vertex; the lone 2 is no triangle
  EXPECT_EQ(result.empty_parts, 1u);        // "Empty"; "Loose" keeps its degenerate triangle
  EXPECT_EQ(ReadNativeFile(texture), "not overwritten");

  const tinygltf::Model model = ReadBack(path);
  ASSERT_EQ(model.nodes.size(), 6u);  // two solids, two lights, two cameras
  EXPECT_EQ(model.nodes[0].name, "Solid_3");
  EXPECT_EQ(model.nodes[1].mesh, -1);
  const tinygltf::Mesh& mesh = model.meshes[model.nodes[0].mesh];
  ASSERT_EQ(mesh.primitives.size(), 2u);
  const tinygltf::Primitive& brick = mesh.primitives[0];
  EXPECT_EQ(model.accessors[brick.indices].count, 3u);
  const int positions = brick.attributes.at("POSITION");
  ExpectNear(Element(model, positions, 1), {0, 0, 1});  // host (1, 0, 0)
  ExpectNear(Element(model, positions, 2), {0, 2, 0});  // host (0, 0, 2): up is glTF y
  ExpectNear(Element(model, brick.attributes.at("NORMAL"), 0), {0, 1, 0});
  EXPECT_EQ(brick.attributes.count("TEXCOORD_0"), 0u);
  const tinygltf::Material& material = model.materials[brick.material];
  EXPECT_EQ(material.name, "Brick");
  EXPECT_NEAR(material.pbrMetallicRoughness.baseColorFactor[0], 0.6, 1e-6);
  ASSERT_EQ(model.images.size(), 1u);
  EXPECT_EQ(model.images[0].uri, "brick.jpg");
  EXPECT_EQ(model.materials[mesh.primitives[1].material].name, "neutral");
}

TEST(GltfWriterTest, LightsAndCamerasFaceWhereTheSceneSays) {
  TempDir dir;
  const std::string path = dir.path() + "/scene.glb";
  ASSERT_TRUE(WriteGlb(HouseScene(), path).ok);
  const tinygltf::Model model = ReadBack(path);
  ASSERT_EQ(model.lights.size(), 2u);
  EXPECT_EQ(model.lights[0].type, "spot");
  EXPECT_NEAR(model.lights[0].spot.outerConeAngle, 0.5235988, 1e-6);  // half of 60 degrees
  EXPECT_EQ(model.lights[1].type, "point");
  EXPECT_EQ(model.lights[1].intensity, 100.0);
  // The spot points along renderer x, which is glTF x.
  ExpectNear(Rotate(model.nodes[2].matrix, {0, 0, -1}), {1, 0, 0});
  EXPECT_EQ(model.nodes[3].translation, (std::vector<double>{2, 3, 1}));

  ASSERT_EQ(model.cameras.size(), 2u);
  EXPECT_EQ(model.cameras[0].name, "Current");
  EXPECT_NEAR(model.cameras[0].perspective.yfov, 50 * 1.24 * M_PI / 180, 1e-5);
  EXPECT_FLOAT_EQ(model.cameras[0].perspective.znear, 0.25f);
  EXPECT_GT(model.cameras[0].perspective.zfar, model.cameras[0].perspective.znear);
  const tinygltf::Node& current = model.nodes[4];
  EXPECT_EQ(current.camera, 0);
  // Host (1, 2, 3) is renderer (2, -1, 3) and glTF (2, 3, 1); it looks along host +y,
  // which is renderer +x and glTF +x, with glTF y up.
  ASSERT_EQ(current.matrix.size(), 16u);
  ExpectNear({float(current.matrix[12]), float(current.matrix[13]), float(current.matrix[14])},
             {2, 3, 1});
  ExpectNear(Rotate(current.matrix, {0, 0, -1}), {1, 0, 0});
  ExpectNear(Rotate(current.matrix, {0, 1, 0}), {0, 1, 0});
  // A view that looks straight down along its up vector still gets a rotation.
  ExpectNear(Rotate(model.nodes[5].matrix, {0, 0, -1}), {0, -1, 0});
}

TEST(GltfWriterTest, NeutralPicturesAndUnwritablePaths) {
  TempDir dir;
  const std::string path = dir.path() + "/plain.glb";
  ASSERT_TRUE(WriteGlb(HouseScene(), path, {.materials = false, .lights = false}).ok);
  const tinygltf::Model model = ReadBack(path);
  EXPECT_TRUE(model.lights.empty());
  ASSERT_EQ(model.materials.size(), 1u);
  EXPECT_EQ(model.materials[0].name, "neutral");

  // Numbers a damaged journal may hold still give a file that reads back.
  Scene damaged = HouseScene();
  const float nan = std::numeric_limits<float>::quiet_NaN();
  damaged.camera->position = {nan, 1, 2};
  damaged.camera->fov_degrees = nan;
  damaged.lights[0].intensity = std::numeric_limits<float>::infinity();
  damaged.lights[0].cone_degrees = nan;
  damaged.nodes[0].primitives[0].positions[3] = nan;
  const std::string damaged_path = dir.path() + "/damaged.glb";
  const WriteResult written = WriteGlb(damaged, damaged_path);
  ASSERT_TRUE(written.ok);
  EXPECT_EQ(written.dropped_triangles, 2u);  // the one using the damaged vertex as well
  const tinygltf::Model read = ReadBack(damaged_path);
  ASSERT_EQ(read.cameras.size(), 2u);
  EXPECT_GT(read.cameras[0].perspective.yfov, 0.0);
  EXPECT_EQ(read.lights[0].intensity, 0.0);

  const WriteResult missing = WriteGlb(HouseScene(), dir.path() + "/no/such/folder/x.glb");
  EXPECT_FALSE(missing.ok);
  EXPECT_NE(missing.error.find("x.glb"), std::string::npos);
}

}  // namespace
}  // namespace scene_gltf
