// tarnwick_inspect: what the host wrote into an exchange folder, and what the
// bridge would make of it.
#include <cstdio>
#include <string>
#include <vector>

#include "inspect/inspector_run.h"
#include "inspect/report_json.h"
#include "inspect/console.h"

namespace {

constexpr char kUsage[] = "usage: tarnwick_inspect [--json] [--max-issues N] [--strict] PATH...\n";

}  // namespace

int main(int argc, char** argv) {
  using namespace tarnwick::inspect;
  const std::vector<std::string> args = Utf8Arguments(argc, argv);
  std::string error;
  const std::optional<RunOptions> options = ParseArguments(args, error);
  if (!options) {
    std::fprintf(stderr, "tarnwick_inspect: %s\n%s", error.c_str(), kUsage);
    return kExitUnreadable;
  }
  std::string report;
  const int exit_code = RunInspector(*options, report, nullptr, StandardErrorIsTerminal());
  std::fwrite(report.data(), 1, report.size(), stdout);
  return exit_code;
}
