#include "scene_gltf/gltf_geometry.h"

#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

#include "scene_gltf/gltf_writer.h"

namespace scene_gltf {

namespace {

constexpr std::size_t kAlignment = 4;

bool Finite(const std::vector<float>& values, std::size_t at, std::size_t count) {
  for (std::size_t i = 0; i < count; ++i) {
    if (!std::isfinite(values[at + i])) return false;
  }
  return true;
}

// The whole triangles whose three indices name a vertex with finite coordinates.
std::vector<std::uint32_t> UsableTriangles(const Primitive& part, std::size_t vertices,
                                           std::size_t& dropped) {
  std::vector<std::uint32_t> kept;
  const auto usable = [&](std::uint32_t index) {
    return index < vertices && Finite(part.positions, std::size_t{index} * 3, 3);
  };
  for (std::size_t i = 0; i + 3 <= part.indices.size(); i += 3) {
    const std::uint32_t* triangle = &part.indices[i];
    if (usable(triangle[0]) && usable(triangle[1]) && usable(triangle[2])) {
      kept.insert(kept.end(), triangle, triangle + 3);
    } else {
      ++dropped;
    }
  }
  return kept;
}

// Appends bytes to the model's one buffer as a new view; returns the view's index.
int AddView(tinygltf::Model& model, const void* data, std::size_t size, int target) {
  if (model.buffers.empty()) model.buffers.emplace_back();
  std::vector<unsigned char>& bytes = model.buffers[0].data;
  bytes.resize((bytes.size() + kAlignment - 1) / kAlignment * kAlignment, 0);
  tinygltf::BufferView view;
  view.buffer = 0;
  view.byteOffset = bytes.size();
  view.byteLength = size;
  view.target = target;
  const auto* first = static_cast<const unsigned char*>(data);
  bytes.insert(bytes.end(), first, first + size);
  model.bufferViews.push_back(view);
  return static_cast<int>(model.bufferViews.size() - 1);
}

int AddAccessor(tinygltf::Model& model, int view, int component, int type, std::size_t count) {
  tinygltf::Accessor accessor;
  accessor.bufferView = view;
  accessor.componentType = component;
  accessor.type = type;
  accessor.count = count;
  model.accessors.push_back(accessor);
  return static_cast<int>(model.accessors.size() - 1);
}

// Triples turned into glTF axes; non-finite values (left unreferenced) become 0.
std::vector<float> GltfTriples(const std::vector<float>& values, std::size_t count) {
  std::vector<float> out(count * 3);
  for (std::size_t i = 0; i < count; ++i) {
    Vec3 value{values[i * 3], values[i * 3 + 1], values[i * 3 + 2]};
    for (float& v : value) {
      if (!std::isfinite(v)) v = 0.0f;
    }
    const Vec3 turned = RendererToGltf(value);
    std::memcpy(&out[i * 3], turned.data(), sizeof turned);
  }
  return out;
}

int AddPositions(tinygltf::Model& model, const std::vector<float>& positions) {
  const std::size_t count = positions.size() / 3;
  std::vector<double> low(3, std::numeric_limits<double>::max());
  std::vector<double> high(3, std::numeric_limits<double>::lowest());
  for (std::size_t i = 0; i < positions.size(); ++i) {
    low[i % 3] = std::min(low[i % 3], double{positions[i]});
    high[i % 3] = std::max(high[i % 3], double{positions[i]});
  }
  const int view = AddView(model, positions.data(), positions.size() * sizeof(float),
                           TINYGLTF_TARGET_ARRAY_BUFFER);
  const int accessor =
      AddAccessor(model, view, TINYGLTF_COMPONENT_TYPE_FLOAT, TINYGLTF_TYPE_VEC3, count);
  model.accessors[accessor].minValues = low;
  model.accessors[accessor].maxValues = high;
  return accessor;
}

}  // namespace

PrimitiveOutcome AddPrimitiveGeometry(tinygltf::Model& model, const Primitive& part,
                                      tinygltf::Primitive& out) {
  PrimitiveOutcome outcome;
  const std::size_t vertices = part.positions.size() / 3;
  const std::vector<std::uint32_t> triangles =
      UsableTriangles(part, vertices, outcome.dropped_triangles);
  if (triangles.empty()) return outcome;

  out.mode = TINYGLTF_MODE_TRIANGLES;
  out.attributes["POSITION"] = AddPositions(model, GltfTriples(part.positions, vertices));
  if (part.normals.size() == vertices * 3) {
    const std::vector<float> normals = GltfTriples(part.normals, vertices);
    const int view = AddView(model, normals.data(), normals.size() * sizeof(float),
                             TINYGLTF_TARGET_ARRAY_BUFFER);
    out.attributes["NORMAL"] =
        AddAccessor(model, view, TINYGLTF_COMPONENT_TYPE_FLOAT, TINYGLTF_TYPE_VEC3, vertices);
  }
  if (part.texcoords.size() == vertices * 2) {
    const int view = AddView(model, part.texcoords.data(), part.texcoords.size() * sizeof(float),
                             TINYGLTF_TARGET_ARRAY_BUFFER);
    out.attributes["TEXCOORD_0"] =
        AddAccessor(model, view, TINYGLTF_COMPONENT_TYPE_FLOAT, TINYGLTF_TYPE_VEC2, vertices);
  }
  const int view = AddView(model, triangles.data(), triangles.size() * sizeof(std::uint32_t),
                           TINYGLTF_TARGET_ELEMENT_ARRAY_BUFFER);
  out.indices = AddAccessor(model, view, TINYGLTF_COMPONENT_TYPE_UNSIGNED_INT, TINYGLTF_TYPE_SCALAR,
                            triangles.size());
  outcome.written = true;
  return outcome;
}

}  // namespace scene_gltf
