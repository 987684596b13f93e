// Writes a Scene as a binary glTF file (.glb) with tinygltf: one node per
// solid with its parts as primitives, a material per scene material (parts
// take the material named like them), KHR_lights_punctual lights, and the
// active camera (glTF camera 0) followed by the saved views. The turn from
// renderer axes to glTF's y-up axes is described in scene_gltf/scene.h.
#pragma once

#include <cstddef>
#include <string>

#include "scene_gltf/scene.h"

namespace scene_gltf {

// What the file holds besides geometry and cameras.
struct WriteOptions {
  bool materials = true;  // false: every part takes one neutral material
  bool lights = true;     // false: no lights (the viewer lights the scene itself)
};

// The outcome of a write.
struct WriteResult {
  bool ok = false;
  std::string error;                  // why the file was not written
  std::size_t dropped_triangles = 0;  // triangles whose indices name no vertex
  std::size_t empty_parts = 0;        // parts without a whole triangle, left out
};

// A point or direction in glTF axes.
Vec3 RendererToGltf(const Vec3& renderer);

// Writes the scene to path as a binary glTF file.
WriteResult WriteGlb(const Scene& scene, const std::string& path, const WriteOptions& options = {});

}  // namespace scene_gltf
