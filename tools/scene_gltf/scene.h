// A neutral scene for pictures and glTF files: solids with their parts'
// triangles, materials, point and spot lights, the active camera and saved
// views. Everything is held in renderer axes (right-handed, z up), the axes in
// which the renderer receives camera and lights; parts given in host axes are
// turned on the way in (AddHostPart, HostCamera).
//
// Axes, in one place:
//   host -> renderer   (x, y, z) -> (y, -x, z)   the host's x axis is the
//                      renderer's negative y axis, the host's y axis its x axis;
//   renderer -> glTF   (x, y, z) -> (x, z, -y)   glTF is y up: the renderer's
//                      z becomes glTF's y and its y glTF's negative z.
// Both are rotations (no mirror), so triangle winding and normals keep their
// sense. Only the glTF writer applies the second; nothing else does.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace scene_gltf {

using Vec3 = std::array<float, 3>;

// The renderer's field of view for a host camera's: the host's angle times this factor.
inline constexpr float kHostFovFactor = 1.24f;

// A host point or direction in renderer axes.
inline Vec3 HostToRenderer(const Vec3& host) { return {host[1], -host[0], host[2]}; }

// One triangle batch: positions (and normals) three floats per vertex, texture
// coordinates two per vertex, three indices per triangle.
struct Primitive {
  std::string name;  // the part's name; also the name of its material when one has it
  std::vector<float> positions;
  std::vector<float> normals;    // empty or three per vertex
  std::vector<float> texcoords;  // empty or two per vertex
  std::vector<std::uint32_t> indices;
};

// One solid: a named node holding its parts.
struct Node {
  std::string name;
  std::vector<Primitive> primitives;
};

// A renderer material as far as a picture shows it.
struct Material {
  std::string name;
  Vec3 base_color{0.8f, 0.8f, 0.8f};  // linear 0..1
  std::string texture_uri;  // empty: no texture; an absolute path is written relative to the file
};

// A point or spot light; position and direction in renderer axes.
struct Light {
  enum class Kind { Point, Spot };
  std::string name;
  Kind kind = Kind::Point;
  Vec3 color{1.0f, 1.0f, 1.0f};  // 0..1
  float intensity = 1.0f;        // as the renderer was sent it ("brightness"), written unchanged
  Vec3 position{};
  Vec3 direction{0.0f, 0.0f, -1.0f};  // spot lights: where the cone points
  float cone_degrees = 0.0f;          // spot lights: the cone's full opening angle
};

// A camera or saved view; field of view in degrees, taken as the vertical angle.
struct Camera {
  std::string name;
  Vec3 position{};
  Vec3 target{};
  Vec3 up{0.0f, 0.0f, 1.0f};
  float fov_degrees = 60.0f;
  float near_clip = 0.1f;
};

// The whole scene; the writer keeps every list's order.
struct Scene {
  std::vector<Node> nodes;
  std::vector<Material> materials;
  std::vector<Light> lights;
  std::optional<Camera> camera;  // the active camera
  std::vector<Camera> views;
};

// Appends a part given in host axes: positions and normals are turned into renderer axes.
void AddHostPart(Node& node, Primitive part);

// A host camera (from, to, up in host axes, the host's field of view) as the renderer takes it.
Camera HostCamera(std::string name, const Vec3& from, const Vec3& to, const Vec3& up,
                  float host_fov_degrees, float near_clip);

}  // namespace scene_gltf
