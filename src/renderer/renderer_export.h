// The renderer export: the model sink that sends what the container reader
// finds to the renderer and keeps the mirror of what the renderer holds.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "formats/container_state.h"
#include "formats/model_sink.h"
#include "renderer/export_settings.h"
#include "renderer/geometry_stream.h"
#include "renderer/renderer_state.h"

namespace tarnwick {

// Sends each record as it is read: materials, lights, solids as nodes, the camera list.
class RendererExport : public ModelSink {
 public:
  // Sends through the state's session and records one body into its mirror.
  RendererExport(RendererState& renderer, const ExportSettings& settings);
  // Ends the body in the mirror (see Finish).
  ~RendererExport() override;

  // A material: read, stored under its name (a later one replaces it), sent.
  void OnMaterialText(const std::u16string& text) override;
  // A light: read, stored under its id, sent when it is a switched-on point, spot or IES light.
  void OnLightText(const std::u16string& text) override;
  // Room in the mirror for the solids of the table.
  void OnSolidTable(std::uint32_t solids) override;
  // A solid's node begins; the solid is recorded with its time stamp.
  void OnSolidBegin(const SolidInfo& solid) override;
  // One triangle batch of the current node.
  void OnPart(const FileText& name, const PartGeometry& part) override;
  // The current node ends; a solid not read whole keeps time stamp 0 in the mirror.
  void OnSolidEnd(bool whole) override;
  // The saved views and the active camera of the body.
  void OnCameraText(const std::u16string& text) override;
  // "Solid" and "Material" lists replace the mirror's removal lists.
  void OnRemovalList(const std::u16string& name, std::span<const std::uint32_t> ids) override;
  // A count that runs past the end of the file: one "Model Format Error: " line in the log.
  void OnCountRefused(std::uint64_t position, std::uint32_t count) override;
  // A record past the end of the file: one "Model Format Error: " line in the log.
  void OnReadPastEnd(std::uint64_t position) override;
  // A body cut short by its work budget: one "Model Format Error: " line in the log.
  void OnBodyAbandoned(const std::string& reason) override;
  // A body the file could not give to its end: one "Model Read Error: " line in the log;
  // for the whole body, every solid and material it sent is listed with stamp 0.
  void OnReadFailed(bool whole_body) override;

  // The body's solids join the mirror; nothing more is recorded afterwards.
  void Finish();

 private:
  RendererState& renderer_;
  const ExportSettings& settings_;
  // The mirror's stamp of the solid being read; null between solids.
  std::uint32_t* solid_stamp_ = nullptr;
  // The materials the body sent, which a file found cut short leaves untrusted.
  std::vector<MaterialRecord*> materials_;
  bool trusted_ = true;
  bool read_failed_ = false;
  bool finished_ = false;
  // The part's name with its NUL, as the renderer takes it.
  std::vector<char16_t> part_name_;
  // The name of the node being begun.
  SolidNodeName node_name_{0};
  // 0, 1, 2, ... for parts without an index list; grows to the largest such part.
  std::vector<std::uint32_t> sequence_;
};

// Streams the model body of one slot of the container named by ContainerPath to the
// renderer, from the open file when its header is loaded already; when a body was read,
// SourceProject becomes the slot's name. The file is closed afterwards.
void StreamSlotToRenderer(ContainerState& container, int slot_index, RendererState& renderer,
                          const ExportSettings& settings);

}  // namespace tarnwick
