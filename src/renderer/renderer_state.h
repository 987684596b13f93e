// What the bridge knows of the renderer: the session, and a mirror of
// everything the renderer has been given during it. The renderer export
// fills the mirror as it sends; the incremental update and the sync record
// rely on it, since the renderer itself cannot be asked.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "formats/camera_record.h"
#include "formats/light_record.h"
#include "formats/material_record.h"
#include "renderer/held_solids.h"
#include "renderer/renderer_session.h"
#include "renderer/view_cache.h"

namespace tarnwick {

// The session and the mirror, members in the order in which they are set up.
struct RendererState {
  RendererSession Session;
  HeldSolids Solids;
  std::map<std::u16string, MaterialRecord> Materials;
  std::map<std::uint32_t, LightRecord> Lights;
  NamedViewCache ViewCache;
  std::u16string SourceProject;
  std::vector<std::uint32_t> RemovedMaterialIds;
  std::vector<std::uint32_t> RemovedSolidIds;
};

}  // namespace tarnwick
