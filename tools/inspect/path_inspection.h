// Inspection of one path of the command line: an exchange folder (every
// exchange file that is present) or one of its files, recognised by its name.
#pragma once

#include <string>

#include "inspect/container_inspection.h"
#include "inspect/findings.h"
#include "inspect/report.h"

namespace tarnwick::inspect {

// What a file is, by its name ("_model.cvm", "_mod.sm", "camera.cam", "Views.cam",
// "_mod.sync", "D5_Log.log"; otherwise by its extension; anything else is a model container).
enum class FileKind { kModel, kIncremental, kCamera, kViews, kSyncRecord, kLog };

// The kind of a file name, letter case ignored.
FileKind KindOfFileName(std::string_view name);

// Inspects a folder or a file given as UTF-8 text; `readable` is false when nothing at the
// path could be read.
PathReport InspectPath(const std::string& path, FindingLog& log, const ContainerOptions& options = {});

}  // namespace tarnwick::inspect
