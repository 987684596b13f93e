// tarnwick_inspect: what the host wrote into an exchange folder, and what the
// bridge would make of it.
#include <cstdio>
#include <string>
#include <vector>

#include "inspect/console.h"
#include "inspect/glb_export.h"
#include "inspect/inspector_run.h"
#include "inspect/report_json.h"
#include "tarnwick_version.h"

int main(int argc, char** argv) {
  using namespace tarnwick::inspect;
  const std::vector<std::string> args = Utf8Arguments(argc, argv);
  std::string error;
  const std::optional<RunOptions> options = ParseArguments(args, error);
  if (!options) {
    std::fprintf(stderr, "tarnwick_inspect: %s\n%s", error.c_str(), ShortUsage().c_str());
    return kExitUnreadable;
  }
  if (options->request == Request::kHelp) {
    std::fputs(UsageText().c_str(), stdout);
    return kExitClean;
  }
  if (options->request == Request::kVersion) {
    std::printf("tarnwick_inspect %s\n", tarnwick::kVersion);
    return kExitClean;
  }
  // Refused before any reading, so that no report suggests the file was written.
  if (!options->glb.empty() && !GlbExportAvailable()) {
    ExportGlb(*options, error);
    std::fprintf(stderr, "tarnwick_inspect: %s\n", error.c_str());
    return kExitUnreadable;
  }
  std::string report;
  int exit_code = RunInspector(*options, report, nullptr, StandardErrorIsTerminal());
  std::fwrite(report.data(), 1, report.size(), stdout);
  if (!options->glb.empty()) {
    std::string message;
    const bool written = ExportGlb(*options, message);
    std::fprintf(stderr, "tarnwick_inspect: %s\n", message.c_str());
    if (!written) exit_code = kExitUnreadable;
  }
  return exit_code;
}
