#include "scene_gltf/gltf_writer.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <map>
#include <numbers>
#include <sstream>

#include "scene_gltf/gltf_geometry.h"

namespace scene_gltf {

namespace {

constexpr char kLightsExtension[] = "KHR_lights_punctual";
constexpr char kNeutralMaterial[] = "neutral";
constexpr double kDegrees = std::numbers::pi / 180.0;
constexpr double kMaxConeAngle = std::numbers::pi / 2.0;  // glTF's upper bound for a cone
constexpr float kTiny = 1e-12f;
// The renderer is sent no far clipping distance; the file needs one beyond its near one.
constexpr double kFarClip = 10000.0;
constexpr double kFarPerNear = 1000.0;
constexpr double kDefaultNearClip = 0.01;
constexpr double kMinFov = 1.0;    // degrees
constexpr double kMaxFov = 179.0;  // degrees

// A number a file can hold: a non-finite value (a damaged journal) becomes the fallback.
float Finite(float value, float fallback) { return std::isfinite(value) ? value : fallback; }
Vec3 Finite(const Vec3& v) { return {Finite(v[0], 0), Finite(v[1], 0), Finite(v[2], 0)}; }

Vec3 Sub(const Vec3& a, const Vec3& b) { return {a[0] - b[0], a[1] - b[1], a[2] - b[2]}; }
Vec3 Cross(const Vec3& a, const Vec3& b) {
  return {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
}
float Length(const Vec3& a) { return std::sqrt(a[0] * a[0] + a[1] * a[1] + a[2] * a[2]); }
Vec3 Scaled(const Vec3& a, float s) { return {a[0] * s, a[1] * s, a[2] * s}; }

// A node's matrix (column-major) placing it at position with its -z axis
// along forward and its y axis as near to up as possible, as cameras and spot
// lights need; all in glTF axes.
std::vector<double> LookAt(const Vec3& position, Vec3 forward, const Vec3& up) {
  if (Length(forward) < kTiny) forward = {0.0f, 0.0f, -1.0f};
  const Vec3 f = Scaled(forward, 1.0f / Length(forward));
  Vec3 right = Cross(f, up);
  if (Length(right) < kTiny) {
    right = Cross(f, std::fabs(f[1]) < 0.9f ? Vec3{0, 1, 0} : Vec3{1, 0, 0});
  }
  const Vec3 r = Scaled(right, 1.0f / Length(right));
  const Vec3 u = Cross(r, f);
  return {r[0],  r[1],  r[2],  0, u[0],        u[1],        u[2],        0,
          -f[0], -f[1], -f[2], 0, position[0], position[1], position[2], 1};
}

// An absolute texture path as a URI relative to the folder of the file, as
// glTF readers resolve URIs against it.
std::string TextureUri(const std::string& texture, const std::filesystem::path& folder) {
  const std::filesystem::path path(texture);
  if (!path.is_absolute()) return texture;
  std::error_code error;
  const std::filesystem::path relative =
      std::filesystem::relative(path, std::filesystem::absolute(folder, error), error);
  return error || relative.empty() ? texture : relative.generic_string();
}

int AddMaterial(tinygltf::Model& model, const std::string& name, const Vec3& color,
                const std::string& texture_uri) {
  tinygltf::Material material;
  material.name = name;
  material.pbrMetallicRoughness.baseColorFactor = {color[0], color[1], color[2], 1.0};
  material.pbrMetallicRoughness.metallicFactor = 0.0;
  material.doubleSided = true;
  if (!texture_uri.empty()) {
    tinygltf::Image image;
    image.uri = texture_uri;
    model.images.push_back(image);
    tinygltf::Texture texture;
    texture.source = static_cast<int>(model.images.size() - 1);
    model.textures.push_back(texture);
    material.pbrMetallicRoughness.baseColorTexture.index =
        static_cast<int>(model.textures.size() - 1);
  }
  model.materials.push_back(material);
  return static_cast<int>(model.materials.size() - 1);
}

// Each scene material by name; a later one of the same name wins.
std::map<std::string, int> AddMaterials(tinygltf::Model& model, const Scene& scene,
                                        const std::filesystem::path& folder) {
  std::map<std::string, int> by_name;
  for (const Material& material : scene.materials) {
    const std::string uri =
        material.texture_uri.empty() ? "" : TextureUri(material.texture_uri, folder);
    by_name[material.name] = AddMaterial(model, material.name, material.base_color, uri);
  }
  return by_name;
}

void AddLight(tinygltf::Model& model, const Light& light, std::vector<int>& roots) {
  tinygltf::Light out;
  out.name = light.name;
  const Vec3 color = Finite(light.color);
  out.color = {color[0], color[1], color[2]};
  out.intensity = Finite(light.intensity, 0);
  const Vec3 position = RendererToGltf(Finite(light.position));
  tinygltf::Node node;
  node.name = light.name;
  if (light.kind == Light::Kind::Spot) {
    out.type = "spot";
    out.spot.outerConeAngle =
        std::clamp(Finite(light.cone_degrees, 0) * kDegrees / 2.0, 0.0, kMaxConeAngle);
    out.spot.innerConeAngle = 0.0;
    node.matrix = LookAt(position, RendererToGltf(Finite(light.direction)), {0.0f, 1.0f, 0.0f});
  } else {
    node.translation = {position[0], position[1], position[2]};
    out.type = "point";
  }
  model.lights.push_back(out);
  tinygltf::Value::Object reference;
  reference["light"] = tinygltf::Value(static_cast<int>(model.lights.size() - 1));
  node.extensions[kLightsExtension] = tinygltf::Value(reference);
  model.nodes.push_back(node);
  roots.push_back(static_cast<int>(model.nodes.size() - 1));
}

void AddCamera(tinygltf::Model& model, const Camera& camera, std::vector<int>& roots) {
  tinygltf::Camera out;
  out.name = camera.name;
  out.type = "perspective";
  out.perspective.yfov =
      std::clamp(double{Finite(camera.fov_degrees, 0)}, kMinFov, kMaxFov) * kDegrees;
  out.perspective.znear =
      camera.near_clip > 0 && std::isfinite(camera.near_clip) ? camera.near_clip : kDefaultNearClip;
  out.perspective.zfar = std::max(kFarClip, out.perspective.znear * kFarPerNear);
  model.cameras.push_back(out);
  tinygltf::Node node;
  node.name = camera.name;
  node.camera = static_cast<int>(model.cameras.size() - 1);
  const Vec3 position = Finite(camera.position);
  node.matrix =
      LookAt(RendererToGltf(position), RendererToGltf(Sub(Finite(camera.target), position)),
             RendererToGltf(Finite(camera.up)));
  model.nodes.push_back(node);
  roots.push_back(static_cast<int>(model.nodes.size() - 1));
}

void AddSolid(tinygltf::Model& model, const Node& solid,
              const std::map<std::string, int>& materials, int fallback, std::vector<int>& roots,
              WriteResult& result) {
  tinygltf::Node node;
  node.name = solid.name;
  tinygltf::Mesh mesh;
  mesh.name = solid.name;
  for (const Primitive& part : solid.primitives) {
    tinygltf::Primitive primitive;
    const PrimitiveOutcome outcome = AddPrimitiveGeometry(model, part, primitive);
    result.dropped_triangles += outcome.dropped_triangles;
    if (!outcome.written) {
      ++result.empty_parts;
      continue;
    }
    const auto found = materials.find(part.name);
    primitive.material = found != materials.end() ? found->second : fallback;
    mesh.primitives.push_back(primitive);
  }
  if (!mesh.primitives.empty()) {
    model.meshes.push_back(mesh);
    node.mesh = static_cast<int>(model.meshes.size() - 1);
  }
  model.nodes.push_back(node);
  roots.push_back(static_cast<int>(model.nodes.size() - 1));
}

}  // namespace

Vec3 RendererToGltf(const Vec3& renderer) { return {renderer[0], renderer[2], -renderer[1]}; }

WriteResult WriteGlb(const Scene& scene, const std::string& path, const WriteOptions& options) {
  WriteResult result;
  tinygltf::Model model;
  model.asset.version = "2.0";
  model.asset.generator = "Tarnwick scene_gltf";
  std::map<std::string, int> materials;
  if (options.materials) {
    materials = AddMaterials(model, scene, std::filesystem::path(path).parent_path());
  }
  const int fallback = AddMaterial(model, kNeutralMaterial, Material{}.base_color, "");
  std::vector<int> roots;
  for (const Node& solid : scene.nodes) AddSolid(model, solid, materials, fallback, roots, result);
  if (options.lights) {
    for (const Light& light : scene.lights) AddLight(model, light, roots);
    if (!scene.lights.empty()) model.extensionsUsed.push_back(kLightsExtension);
  }
  if (scene.camera) AddCamera(model, *scene.camera, roots);
  for (const Camera& view : scene.views) AddCamera(model, view, roots);
  tinygltf::Scene root;
  root.nodes = roots;
  model.scenes.push_back(root);
  model.defaultScene = 0;

  tinygltf::TinyGLTF writer;
  // Textures stay where they are, referenced by URI: the library's default
  // image writer would write (empty) image data over files of those names.
  writer.SetImageWriter(nullptr, nullptr);
  // Serialised in memory first: the library's own file writing does not
  // report a file that could not be opened.
  std::ostringstream bytes;
  if (!writer.WriteGltfSceneToStream(&model, bytes, /*prettyPrint=*/false, /*writeBinary=*/true)) {
    result.error = "cannot serialise the scene for " + path;
    return result;
  }
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  file << bytes.str();
  file.close();
  if (!file) {
    result.error = "cannot write " + path;
    return result;
  }
  result.ok = true;
  return result;
}

}  // namespace scene_gltf
