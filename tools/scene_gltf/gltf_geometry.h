// The geometry half of the glTF writer: a scene part's arrays as buffer views
// and accessors of one glTF model, turned into glTF axes.
#pragma once

#include <tiny_gltf.h>

#include <cstddef>

#include "scene_gltf/scene.h"

namespace scene_gltf {

// How a part fared on its way into the model.
struct PrimitiveOutcome {
  bool written = false;               // false: no whole triangle was left
  std::size_t dropped_triangles = 0;  // triangles naming a vertex the part lacks
};

// Adds the part's accessors to the model and fills the primitive's attributes
// and indices; the material is the caller's.
PrimitiveOutcome AddPrimitiveGeometry(tinygltf::Model& model, const Primitive& part,
                                      tinygltf::Primitive& out);

}  // namespace scene_gltf
