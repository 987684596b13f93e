#include "renderer/renderer_export.h"

#include <utility>

#include "exchange/activity.h"
#include "exchange/log_file.h"
#include "formats/camera_record.h"
#include "formats/container_reader.h"
#include "formats/light_record.h"
#include "formats/material_record.h"
#include "renderer/camera_sync.h"
#include "renderer/geometry_stream.h"
#include "renderer/light_export.h"
#include "renderer/material_export.h"

namespace tarnwick {

RendererExport::RendererExport(RendererState& renderer, const ExportSettings& settings)
    : renderer_(renderer), settings_(settings) {}

void RendererExport::OnMaterialText(const std::u16string& text) {
  MaterialRecord record;
  ReadMaterialRecord(record, text);
  renderer_.Materials[record.MaterialID_Name] = record;
  ExportMaterial(renderer_.Session.handle, record, settings_);
}

void RendererExport::OnLightText(const std::u16string& text) {
  LightRecord record;
  ReadLightRecord(record, text);
  renderer_.Lights[static_cast<std::uint32_t>(record.LightSolidID)] = record;
  ExportLight(renderer_.Session.handle, record, settings_);
}

void RendererExport::OnSolidBegin(const SolidInfo& solid) {
  SolidEntry& entry = renderer_.Solids[solid.id];
  solid_ = &entry;
  entry.ID3D = static_cast<std::int32_t>(solid.id);
  entry.TimeStamp = solid.time_stamp;
  entry.NodeName = SolidNodeName(solid.id);
  NoteSolidBegin(solid.id);  // for a crash entry
  D5API_BeginNode(renderer_.Session.handle, entry.NodeName.c_str(), kNodeMatrix.data(), 1);
}

void RendererExport::OnPart(const std::u16string& name, const PartGeometry& part) {
  NotePart(name);
  SendPartTriangles(renderer_.Session.handle, name, part, sequence_);
  NotePartSent();
}

void RendererExport::OnSolidEnd(bool whole) {
  // A solid cut short is listed with stamp 0 in the next sync record: the host then sees
  // that the renderer does not hold the solid it wrote and sends it again.
  if (!whole && solid_ != nullptr) solid_->TimeStamp = 0;
  solid_ = nullptr;
  D5API_EndNode(renderer_.Session.handle);
  NoteSolidEnd();
}

void RendererExport::OnCameraText(const std::u16string& text) {
  CameraList list;
  ReadCamerasRecord(list, text);
  SyncViews(renderer_, list);
}

void RendererExport::OnRemovalList(const std::u16string& name,
                                   std::span<const std::uint32_t> ids) {
  if (name == u"Solid") {
    renderer_.RemovedSolidIds.assign(ids.begin(), ids.end());
  } else if (name == u"Material") {
    renderer_.RemovedMaterialIds.assign(ids.begin(), ids.end());
  }
}

void RendererExport::OnReadFailed() {
  WriteLog("Model Read Error: the model file could not be read to its end");
}

void RendererExport::OnBodyAbandoned(const std::string& reason) {
  WriteLog("Model Format Error: " + reason);
}

void StreamSlotToRenderer(ContainerState& container, int slot_index, RendererState& renderer,
                          const ExportSettings& settings) {
  RendererExport sink(renderer, settings);
  if (StreamModelSlot(container, slot_index, sink)) {
    renderer.SourceProject = SlotName(container.Slots[static_cast<std::size_t>(slot_index)]);
  }
}

}  // namespace tarnwick
