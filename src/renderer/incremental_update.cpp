#include "renderer/incremental_update.h"

#include "formats/container_reader.h"
#include "renderer/light_export.h"

namespace tarnwick {

namespace {

void WithdrawLight(const RendererSession& session, const LightRecord& light) {
  D5API_RemoveLight(session.handle, RendererLightName(light.LightSolidID).c_str());
  D5API_SendLights(session.handle);
}

// A new project: the renderer's scene file follows the host project.
void SwitchProject(ExchangeDocument& document, const std::u16string& project) {
  ResetRenderedScene(document.Session, document);
  document.Session.project_path = project;
  D5API_SaveToFiles(document.Session.handle,
                    MakeRendererScenePath(document.Session.project_path).c_str());
}

}  // namespace

void ApplyIncrementalFile(ExchangeDocument& document) {
  if (LoadContainerHeader(document) != kHeaderLoaded || document.LastSlotIndex < 0 ||
      document.Slots[0].Kind != kRemovalSectionKind) {
    CloseContainer(document);
    return;
  }
  const std::u16string project = SlotName(document.Slots[0]);
  if (project != document.SourceProject) {
    SwitchProject(document, project);
  } else {
    // Each section stands alone: a list it does not carry removes nothing, so a
    // solid re-sent since an earlier update is never deleted by a stale list.
    document.RemovedSolidIds.clear();
    document.RemovedMaterialIds.clear();
    ReadRemovalSection(document, static_cast<std::uint32_t>(document.Slots[0].Offset));
    ApplyRemovals(document.Session, document);
  }
  CloseContainer(document);
}

void ResetRenderedScene(RendererSession& session, ExchangeDocument& document) {
  for (const auto& [id, solid] : document.Solids) {
    D5API_DeleteNode(session.handle, solid.NodeName.c_str());
  }
  document.Solids.clear();
  for (const auto& [name, material] : document.Materials) {
    D5API_ResetMaterial(session.handle, material.MaterialID_Name.c_str());
  }
  document.Materials.clear();
  for (const auto& [id, light] : document.Lights) {
    // A switched-off light was never sent, so there is nothing to withdraw.
    if (light.LightEnable) WithdrawLight(session, light);
  }
  document.Lights.clear();
  D5API_EndExport(session.handle);
  if (session.handle != 0) FlushRenderer(session.handle);
}

void ApplyRemovals(RendererSession& session, ExchangeDocument& document) {
  for (const std::uint32_t id : document.RemovedSolidIds) {
    const auto it = document.Solids.find(id);
    if (it == document.Solids.end()) continue;
    D5API_DeleteNode(session.handle, it->second.NodeName.c_str());
    document.Solids.erase(it);
  }
  FlushRenderer(session.handle);
  for (const auto& [id, light] : document.Lights) WithdrawLight(session, light);
  document.Lights.clear();
}

}  // namespace tarnwick
