// Inspection of the exchange folder's text files: the camera "camera.cam",
// the views "Views.cam", the sync record "_mod.sync" and the log "D5_Log.log".
#pragma once

#include <optional>
#include <string>

#include "inspect/record_checks.h"
#include "inspect/report.h"

namespace tarnwick::inspect {

// Reads camera.cam (one Camera record; `views` false) or Views.cam (a Cameras record);
// nothing, with path_unreadable logged, when it cannot be opened.
std::optional<CameraFileSummary> InspectCameraFile(const std::u16string& path, bool views,
                                                   const RecordContext& context);

// Parses every line of a sync record text; a line that is none of the record's three forms
// is logged as sync_line_unparsed.
SyncRecordSummary CheckSyncRecordText(std::string_view text, const RecordContext& context);

// Counts the lines of a log text and keeps the last one.
LogSummary SummariseLogText(std::string_view text);

// The whole of a small text file as bytes; nothing when it cannot be opened.
std::optional<std::string> ReadTextFile(const std::u16string& path);

}  // namespace tarnwick::inspect
