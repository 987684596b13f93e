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

RendererExport::RendererExport(RendererState& renderer, const ExportSettings& settings,
                               CheckedParts* checked)
    : renderer_(renderer), settings_(settings), checked_(checked) {}

void RendererExport::OnFileStamp(const FileStamp& stamp) {
  // A file the host has rewritten since the checks began has other lists.
  checks_hold_ = checked_ != nullptr && checked_->MadeOn(stamp);
}

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
  entry.ID3D = static_cast<std::int32_t>(solid.id);
  entry.TimeStamp = solid.time_stamp;
  entry.NodeName = SolidNodeName(solid.id);
  NoteSolidBegin(solid.id);  // for a crash entry
  D5API_BeginNode(renderer_.Session.handle, entry.NodeName.c_str(), kNodeMatrix.data(), 1);
}

const ArrayCounts* RendererExport::KnownCounts(std::uint64_t position) {
  taken_ = checks_hold_ ? checked_->Take(position) : nullptr;
  return taken_ != nullptr && taken_->counts_whole ? &taken_->counts : nullptr;
}

bool RendererExport::KnowsCounts() const { return checks_hold_ && checked_->Wanted(); }

bool RendererExport::WantsReadAhead() const {
  // The checker takes the second core while it runs: a worker loading the bytes ahead would
  // compete with it for that core and for memory. Measured under Wine on two cores, with the
  // 1 GiB model: the export took 33 ms against 39 with a worker. Once the checks have ended
  // (as they have when a real renderer has taken its seconds to start), the worker has the
  // core to itself and loads the arrays that the renderer reads.
  return !checks_hold_ || checked_->Ended();
}

void RendererExport::OnPart(const std::u16string& name, const PartGeometry& part) {
  // SendPartTriangles takes the record's check only for this very part and list.
  NotePart(name);
  SendPartTriangles(renderer_.Session.handle, name, part, sequence_,
                    std::exchange(taken_, nullptr));
  NotePartSent();
}

void RendererExport::OnSolidEnd() {
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

void RendererExport::OnBodyAbandoned(const std::string& reason) {
  WriteLog("Model Format Error: " + reason);
}

void StreamSlotToRenderer(ContainerState& container, int slot_index, RendererState& renderer,
                          const ExportSettings& settings, CheckedParts* checked) {
  RendererExport sink(renderer, settings, checked);
  if (StreamModelSlot(container, slot_index, sink)) {
    renderer.SourceProject = SlotName(container.Slots[static_cast<std::size_t>(slot_index)]);
  }
}

}  // namespace tarnwick
