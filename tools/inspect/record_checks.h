// Checks of the keyed text records a model body or a camera file carries:
// materials (their name, the texture files they name), lights (their kind,
// switch and IES profile) and camera lists.
#pragma once

#include <optional>
#include <string>

#include "formats/camera_record.h"
#include "formats/keyed_audit.h"
#include "inspect/findings.h"
#include "inspect/report.h"

namespace tarnwick::inspect {

// The file a record comes from, where the files it names are looked for, and the log.
struct RecordContext {
  std::string file;
  std::optional<int> slot;
  std::u16string exchange_folder;  // textures and IES profiles are looked for below it
  FindingLog* log = nullptr;
};

// Reads one Material record text: counts it, checks its name and its texture files.
void CheckMaterialText(const std::u16string& text, const RecordContext& context, BodySummary& body);

// Reads one Light record text: counts it by kind, notes an unknown kind, a light the bridge
// does not send and a missing IES profile.
void CheckLightText(const std::u16string& text, const RecordContext& context, LightCounts& lights);

// Reads a Cameras record text and notes an active index outside the list.
ViewsSummary CheckViewsText(const std::u16string& text, const RecordContext& context);

// Notes the lines of a record text that its reader passes over and the values it cannot read.
void ReportAudit(const KeyedAudit& audit, const char* kind, const Location& where, FindingLog& log);

// The summary of one camera as read.
CameraSummary SummaryOf(const CameraRecord& camera);

}  // namespace tarnwick::inspect
