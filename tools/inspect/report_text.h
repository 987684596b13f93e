// The inspector's report as text for a person: one block per path, then the findings.
#pragma once

#include <string>
#include <vector>

#include "inspect/findings.h"
#include "inspect/report.h"

namespace tarnwick::inspect {

// The whole report as lines of text.
std::string ReportText(const std::vector<PathReport>& reports, const FindingLog& log);

}  // namespace tarnwick::inspect
