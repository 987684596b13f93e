// What the bridge knows of the renderer: the session, and a mirror of
// everything the renderer has been given during it. The renderer export
// fills the mirror as it sends; the incremental update and the sync record
// rely on it, since the renderer itself cannot be asked.
#pragma once

#include <cstdint>
#include <map>
#include <memory_resource>
#include <string>
#include <vector>

#include "formats/camera_record.h"
#include "formats/light_record.h"
#include "formats/material_record.h"
#include "renderer/renderer_session.h"
#include "renderer/view_cache.h"

namespace tarnwick {

// A solid that has been sent to the renderer as a node.
struct SolidEntry {
  std::uint32_t TimeStamp = 0;
  std::u16string NodeName;
  std::int32_t ID3D = 0;
};

// The sent solids by id.
using SolidMap = std::pmr::map<std::uint32_t, SolidEntry>;

// The session and the mirror, members in the order in which they are set up.
struct RendererState {
 private:
  // Where the solids' entries live: side by side in blocks of their own, not scattered
  // between the other allocations of the export, so that a walk of all of them (the sync
  // record of 200,000 solids) reads memory in order. Declared first: it outlives them.
  std::pmr::unsynchronized_pool_resource solid_pool_;

 public:
  RendererSession Session;
  SolidMap Solids{&solid_pool_};
  std::map<std::u16string, MaterialRecord> Materials;
  std::map<std::uint32_t, LightRecord> Lights;
  NamedViewCache ViewCache;
  std::u16string SourceProject;
  std::vector<std::uint32_t> RemovedMaterialIds;
  std::vector<std::uint32_t> RemovedSolidIds;
};

}  // namespace tarnwick
