// A model sink that builds the neutral scene of one model body: a node per
// solid with the parts the bridge would send as its primitives (turned into
// renderer axes), the materials and lights the bridge would send as the
// renderer's properties, and the body's saved views.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "formats/camera_record.h"
#include "formats/model_sink.h"
#include "scene_gltf/scene.h"
#include "scene_replay/journal_replay.h"

namespace tarnwick::inspect {

// Collects one body's scene.
class HostModelSink : public ModelSink {
 public:
  void OnMaterialText(const std::u16string& text) override;
  void OnLightText(const std::u16string& text) override;
  void OnSolidBegin(const SolidInfo& solid) override;
  void OnPart(const FileText& name, const PartGeometry& part) override;
  void OnSolidEnd(bool whole) override;
  void OnCameraText(const std::u16string& text) override;

  // The nodes, in the order the renderer holds them.
  std::vector<scene_gltf::Node>& nodes() { return nodes_; }
  // The materials with the properties the bridge sends, as the renderer holds them.
  const std::vector<scene_replay::Properties>& materials() const { return materials_; }
  // The lights with the properties the bridge sends.
  const std::vector<scene_replay::Properties>& lights() const { return lights_; }
  // The body's camera block, when it has one.
  const std::optional<CameraList>& views() const { return views_; }

 private:
  std::vector<scene_gltf::Node> nodes_;
  std::vector<scene_replay::Properties> materials_;
  std::vector<scene_replay::Properties> lights_;
  std::optional<CameraList> views_;
  bool solid_open_ = false;
};

// "#RRGGBB" of a colour whose components are fractions of full intensity, as the bridge
// writes it: each component times 255, truncated, its low eight bits.
std::string ColorText(const std::array<float, 3>& color);


}  // namespace tarnwick::inspect
