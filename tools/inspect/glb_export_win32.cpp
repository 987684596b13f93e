#include "inspect/glb_export.h"

namespace tarnwick::inspect {

namespace {

constexpr char kNotHere[] =
    "--glb is not available in the Windows build: run the native (Linux) build of "
    "tarnwick_inspect on a copy of the exchange folder to get the model as a glTF file";

}  // namespace

bool GlbExportAvailable() { return false; }

bool ExportGlb(const RunOptions& /*options*/, std::string& message) {
  message = kNotHere;
  return false;
}

}  // namespace tarnwick::inspect
