#include "inspect/glb_export.h"

#include "inspect/host_model_scene.h"

namespace tarnwick::inspect {

bool GlbExportAvailable() { return true; }

bool ExportGlb(const RunOptions& options, std::string& message) {
  const scene_gltf::WriteOptions write{.materials = !options.glb_plain, .lights = !options.glb_plain};
  return WriteHostGlb(options.paths.front(), options.glb, write, message);
}

}  // namespace tarnwick::inspect
