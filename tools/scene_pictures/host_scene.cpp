#include "scene_pictures/host_scene.h"

#include <algorithm>
#include <bit>
#include <variant>

#include "formats/camera_record.h"
#include "platform/text.h"

namespace scene_pictures {

namespace {

namespace cw = tarnwick::container_writer;

std::vector<float> AsFloats(const std::vector<std::uint32_t>& words) {
  std::vector<float> floats;
  floats.reserve(words.size());
  for (std::uint32_t word : words) floats.push_back(std::bit_cast<float>(word));
  return floats;
}

// A part without an index list is drawn as plain triangles of its vertices.
scene_gltf::Primitive HostPart(const cw::Part& part) {
  scene_gltf::Primitive out;
  out.name = tarnwick::Utf8FromUtf16(part.name);
  out.positions = part.positions;
  out.normals = AsFloats(part.attributes2);
  out.texcoords = AsFloats(part.attributes1);
  out.indices = part.indices;
  if (out.indices.empty()) {
    for (std::uint32_t i = 0; i < part.positions.size() / 3; ++i) out.indices.push_back(i);
  }
  return out;
}

void AddSolid(scene_gltf::Scene& scene, const cw::Solid& solid) {
  scene_gltf::Node node;
  node.name = "Solid_" + std::to_string(static_cast<std::int32_t>(solid.id));
  for (const cw::Part& part : solid.parts) {
    if (!part.empty_entry) scene_gltf::AddHostPart(node, HostPart(part));
  }
  std::erase_if(scene.nodes, [&](const scene_gltf::Node& held) { return held.name == node.name; });
  scene.nodes.push_back(std::move(node));
}

}  // namespace

void AddContainerSolids(scene_gltf::Scene& scene, const cw::Container& container) {
  for (const cw::Slot& slot : container.slots) {
    const auto* body = std::get_if<cw::ModelBody>(&slot.body);
    if (!body) continue;
    for (const cw::Solid& solid : body->solids) {
      if (!solid.empty_entry) AddSolid(scene, solid);
    }
    for (std::size_t i = 0; i < body->generated_solids && body->generate_solid; ++i) {
      cw::Solid solid;
      body->generate_solid(i, solid);
      AddSolid(scene, solid);
    }
  }
}

bool SetHostCamera(scene_gltf::Scene& scene, const std::string& camera_text) {
  const std::u16string text = tarnwick::WidenLatin1(camera_text);
  if (text.find(u"Camera_Start") == std::u16string::npos) return false;
  tarnwick::CameraRecord record;
  tarnwick::ReadCameraRecord(record, text);
  scene.camera = scene_gltf::HostCamera(tarnwick::Utf8FromUtf16(record.Name), record._from,
                                        record._to, record._up, record._fov, record._fNerClipp);
  return true;
}

}  // namespace scene_pictures
