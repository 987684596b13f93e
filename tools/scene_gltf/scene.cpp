#include "scene_gltf/scene.h"

#include <utility>

namespace scene_gltf {

namespace {

// Turns every whole triple of a flat array; a trailing partial triple is left as it is.
void TurnTriples(std::vector<float>& values) {
  for (std::size_t i = 0; i + 3 <= values.size(); i += 3) {
    const Vec3 turned = HostToRenderer({values[i], values[i + 1], values[i + 2]});
    values[i] = turned[0];
    values[i + 1] = turned[1];
    values[i + 2] = turned[2];
  }
}

}  // namespace

void AddHostPart(Node& node, Primitive part) {
  TurnTriples(part.positions);
  TurnTriples(part.normals);
  node.primitives.push_back(std::move(part));
}

Camera HostCamera(std::string name, const Vec3& from, const Vec3& to, const Vec3& up,
                  float host_fov_degrees, float near_clip) {
  Camera camera;
  camera.name = std::move(name);
  camera.position = HostToRenderer(from);
  camera.target = HostToRenderer(to);
  camera.up = HostToRenderer(up);
  camera.fov_degrees = host_fov_degrees * kHostFovFactor;
  camera.near_clip = near_clip;
  return camera;
}

}  // namespace scene_gltf
