// Inspection of one container file ("_model.cvm" or "_mod.sm"), read-only:
// the header and directory are checked the way the bridge loads them, and the
// bodies the bridge reads go through the container reader into an InspectorSink.
#pragma once

#include <string>

#include "formats/model_sink.h"
#include "inspect/inspector_sink.h"
#include "inspect/record_checks.h"
#include "inspect/report.h"

namespace tarnwick::inspect {

// Which container a file is: the bridge streams slot 0 of the model file, and reads the
// removal section of slot 0 and the body of slot 1 of the incremental file.
enum class ContainerRole { kModel, kIncremental };

// What else hears of the reading.
struct ContainerOptions {
  ModelSink* geometry_tap = nullptr;     // receives every solid and part
  ProgressObserver* progress = nullptr;  // told of the position at each solid
};

// Inspects the container at `path` (context.slot is set per body); false when it cannot be
// opened, which is logged as path_unreadable.
bool InspectContainer(const std::u16string& path, ContainerRole role, RecordContext context,
                      ContainerSummary& summary, const ContainerOptions& options = {});

}  // namespace tarnwick::inspect
