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
    : renderer_(renderer), settings_(settings) {
  renderer_.Solids.BeginBody();
}

RendererExport::~RendererExport() { Finish(); }

void RendererExport::Finish() {
  if (finished_) return;
  finished_ = true;
  renderer_.Solids.EndBody(trusted_);
  // The host compares the stamp with its own: 0 makes it send the material again.
  if (!trusted_) {
    for (MaterialRecord* material : materials_) material->nTimeID = 0;
  }
}

void RendererExport::OnMaterialText(const std::u16string& text) {
  MaterialRecord record;
  ReadMaterialRecord(record, text);
  MaterialRecord& held = renderer_.Materials[record.MaterialID_Name];
  held = record;
  materials_.push_back(&held);
  ExportMaterial(renderer_.Session.handle, record, settings_);
}

void RendererExport::OnLightText(const std::u16string& text) {
  LightRecord record;
  ReadLightRecord(record, text);
  renderer_.Lights[static_cast<std::uint32_t>(record.LightSolidID)] = record;
  ExportLight(renderer_.Session.handle, record, settings_);
}

void RendererExport::OnSolidTable(std::uint32_t solids) { renderer_.Solids.Expect(solids); }

void RendererExport::OnSolidBegin(const SolidInfo& solid) {
  solid_stamp_ = &renderer_.Solids.Record(solid.id, solid.time_stamp);
  NoteSolidBegin(solid.id);  // for a crash entry
  node_name_.Become(solid.id);
  D5API_BeginNode(renderer_.Session.handle, node_name_.c_str(), kNodeMatrix.data(), 1);
}

void RendererExport::OnPart(const FileText& name, const PartGeometry& part) {
  // The renderer takes the name with a NUL after it.
  if (part_name_.size() <= name.units) part_name_.resize(std::size_t{name.units} + 1);
  DecodeUtf16Le(name.bytes, part_name_.data(), name.units);
  part_name_[name.units] = u'\0';
  NotePart(part_name_.data(), name.units);
  SendPartTriangles(renderer_.Session.handle, part_name_.data(), part, sequence_);
  NotePartSent();
}

void RendererExport::OnSolidEnd(bool whole) {
  // A solid cut short is listed with stamp 0 in the next sync record: the host then sees
  // that the renderer does not hold the solid it wrote and sends it again.
  if (!whole && solid_stamp_ != nullptr) *solid_stamp_ = 0;
  solid_stamp_ = nullptr;
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

void RendererExport::OnCountRefused(std::uint64_t position, std::uint32_t count) {
  WriteLog("Model Format Error: the count " + std::to_string(count) + " at " +
           std::to_string(position) + " runs past the end of the file; reading stopped");
}

void RendererExport::OnReadPastEnd(std::uint64_t position) {
  WriteLog("Model Format Error: a record at " + std::to_string(position) +
           " lies past the end of the file; reading stopped");
}

void RendererExport::OnReadFailed(bool whole_body) {
  if (whole_body) trusted_ = false;
  if (read_failed_) return;
  read_failed_ = true;
  WriteLog(whole_body ? "Model Read Error: the model file was cut short while it was read"
                      : "Model Read Error: the model file could not be read to its end");
}

void RendererExport::OnBodyAbandoned(const std::string& reason) {
  WriteLog("Model Format Error: " + reason);
}

void StreamSlotToRenderer(ContainerState& container, int slot_index, RendererState& renderer,
                          const ExportSettings& settings) {
  RendererExport sink(renderer, settings);
  // A file left open by the update's removals is read on from its header as loaded.
  bool streamed = false;
  if (container.ContainerFile) {
    streamed = ReadSlotBody(*container.ContainerFile, container, slot_index, sink);
    CloseContainer(container);
  } else {
    streamed = StreamModelSlot(container, slot_index, sink);
  }
  sink.Finish();
  if (streamed) {
    renderer.SourceProject = SlotName(container.Slots[static_cast<std::size_t>(slot_index)]);
  }
}

}  // namespace tarnwick
