#include "renderer/incremental_update.h"

#include "formats/container_reader.h"
#include "formats/container_stream.h"
#include "renderer/geometry_stream.h"
#include "renderer/light_export.h"
#include "renderer/renderer_export.h"

namespace tarnwick {

namespace {

void WithdrawLight(const RendererSession& session, const LightRecord& light) {
  D5API_RemoveLight(session.handle, RendererLightName(light.LightSolidID).c_str());
  D5API_SendLights(session.handle);
}

// A new project: the renderer's scene file follows the host project.
void SwitchProject(RendererState& renderer, const std::u16string& project) {
  ResetRenderedScene(renderer);
  renderer.Session.project_path = project;
  D5API_SaveToFiles(renderer.Session.handle,
                    MakeRendererScenePath(renderer.Session.project_path).c_str());
}

}  // namespace

void ApplyIncrementalFile(ContainerState& container, RendererState& renderer) {
  if (LoadContainerHeader(container) != HeaderLoadResult::kLoaded ||
      container.LastSlotIndex < 0 || container.Slots[0].Kind != kRemovalSectionKind) {
    CloseContainer(container);
    return;
  }
  const std::u16string project = SlotName(container.Slots[0]);
  if (project != renderer.SourceProject) {
    SwitchProject(renderer, project);
  } else {
    // Each section stands alone: a list it does not carry removes nothing, so a
    // solid re-sent since an earlier update is never deleted by a stale list.
    renderer.RemovedSolidIds.clear();
    renderer.RemovedMaterialIds.clear();
    // The removal lists are all this sink takes from the section; nothing is sent.
    const ExportSettings no_settings;
    RendererExport lists(renderer, no_settings);
    ReadRemovalSection(*container.ContainerFile,
                       static_cast<std::uint32_t>(container.Slots[0].Offset), lists);
    // Done with before the removals, which leave their solids' places to the body.
    lists.Finish();
    // The lights come again only with a new body: an update of removals alone keeps them.
    const bool body_follows =
        container.LastSlotIndex >= 1 && container.Slots[1].Kind == kModelBodyKind;
    ApplyRemovals(renderer, body_follows);
  }
  // The file stays open for its body, which is read next: one open and one header read
  // per update.
}

void ResetRenderedScene(RendererState& renderer) {
  const RendererSession& session = renderer.Session;
  SolidNodeName name(0);
  for (const SyncSolidLine& solid : renderer.Solids.InOrder()) {
    name.Become(solid.id);
    D5API_DeleteNode(session.handle, name.c_str());
  }
  renderer.Solids.Clear();
  for (const auto& [name, material] : renderer.Materials) {
    D5API_ResetMaterial(session.handle, material.MaterialID_Name.c_str());
  }
  renderer.Materials.clear();
  for (const auto& [id, light] : renderer.Lights) {
    // A switched-off light was never sent, so there is nothing to withdraw.
    if (light.LightEnable) WithdrawLight(session, light);
  }
  renderer.Lights.clear();
  D5API_EndExport(session.handle);
  FlushIfSession(session);
}

void ApplyRemovals(RendererState& renderer, bool withdraw_lights) {
  const RendererSession& session = renderer.Session;
  SolidNodeName name(0);
  for (const std::uint32_t id : renderer.Solids.RemoveListed(renderer.RemovedSolidIds)) {
    // One name counted on from the one before, as the ids go up.
    name.Become(id);
    D5API_DeleteNode(session.handle, name.c_str());
  }
  // The deletions are flushed before the lights are withdrawn, with or without a session.
  FlushRenderer(session.handle);
  if (!withdraw_lights) return;
  for (const auto& [id, light] : renderer.Lights) WithdrawLight(session, light);
  renderer.Lights.clear();
}

}  // namespace tarnwick
