// The inspector's JSON document (schema in the README's inspector section) and
// the exit code of a run.
#pragma once

#include <nlohmann/json.hpp>
#include <vector>

#include "inspect/findings.h"
#include "inspect/report.h"

namespace tarnwick::inspect {

// Version of the JSON document's layout; raised when a field changes meaning or goes away.
inline constexpr int kSchemaVersion = 1;

// Exit codes: no error, errors found (with strict also warnings), a path not readable at all.
inline constexpr int kExitClean = 0;
inline constexpr int kExitFindings = 1;
inline constexpr int kExitUnreadable = 2;

// The exit code of a run.
int ExitCode(const std::vector<PathReport>& reports, const FindingLog& log, bool strict);

// The whole report as one JSON document.
nlohmann::ordered_json ReportJson(const std::vector<PathReport>& reports, const FindingLog& log,
                                  int exit_code);

}  // namespace tarnwick::inspect
