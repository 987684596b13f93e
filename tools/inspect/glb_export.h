// The inspector's --glb option: the model as the host wrote it, as a binary
// glTF file. Only the native build writes glTF files (the Windows build links
// no glTF library and answers with a message).
#pragma once

#include <string>

#include "inspect/inspector_run.h"

namespace tarnwick::inspect {

// Whether this build can write glTF files.
bool GlbExportAvailable();

// Writes the model of the options' one path to options.glb; false, with `message` set, on a
// failure; on success `message` says what was written.
bool ExportGlb(const RunOptions& options, std::string& message);

}  // namespace tarnwick::inspect
