#include "inspect/inspector_run.h"

#include <cstdio>

#include "inspect/path_inspection.h"
#include "inspect/report_json.h"
#include "inspect/report_text.h"

namespace tarnwick::inspect {

namespace {

// Spaces of the JSON document's indentation.
constexpr int kJsonIndent = 2;
// The progress line is redrawn at each whole percent.
constexpr std::uint64_t kPercent = 100;

// A progress line on standard error for large files, redrawn in place.
class StderrProgress : public ProgressObserver {
 public:
  void OnProgress(std::uint64_t position, std::uint64_t size) override {
    if (size <= kProgressFileBytes || position > size) return;
    const std::uint64_t percent = position * kPercent / size;
    if (percent == last_) return;
    last_ = percent;
    std::fprintf(stderr, "\rreading: %3u %%", static_cast<unsigned>(percent));
    drawn_ = true;
  }
  ~StderrProgress() override {
    if (drawn_) std::fputs("\r               \r", stderr);
  }

 private:
  std::uint64_t last_ = kPercent + 1;
  bool drawn_ = false;
};

bool ParseCount(const std::string& text, std::uint64_t& value) {
  if (text.empty() || text.size() > 18) return false;
  value = 0;
  for (const char c : text) {
    if (c < '0' || c > '9') return false;
    value = value * 10 + static_cast<std::uint64_t>(c - '0');
  }
  return true;
}

// --help, -h or --version before any "--": asked for alone, whatever else the line holds.
Request RequestAlone(const std::vector<std::string>& args) {
  for (const std::string& arg : args) {
    if (arg == "--") break;
    if (arg == "--help" || arg == "-h") return Request::kHelp;
    if (arg == "--version") return Request::kVersion;
  }
  return Request::kReport;
}

}  // namespace

std::optional<RunOptions> ParseArguments(const std::vector<std::string>& args, std::string& error) {
  RunOptions options;
  options.request = RequestAlone(args);
  if (options.request != Request::kReport) return options;
  bool options_end = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (options_end || arg == "-" || !arg.starts_with("-")) {
      options.paths.push_back(arg);
    } else if (arg == "--") {
      options_end = true;  // a path that begins with '-' follows
    } else if (arg == "--json") {
      options.json = true;
    } else if (arg == "--strict") {
      options.strict = true;
    } else if (arg == "--max-issues") {
      if (i + 1 == args.size() || !ParseCount(args[i + 1], options.max_issues)) {
        error = "--max-issues needs a number";
        return std::nullopt;
      }
      ++i;
    } else if (arg == "--glb") {
      if (i + 1 == args.size()) {
        error = "--glb needs a file name";
        return std::nullopt;
      }
      options.glb = args[++i];
    } else if (arg == "--glb-plain") {
      options.glb_plain = true;
    } else {
      error = "unknown option " + arg;
      return std::nullopt;
    }
  }
  if (options.paths.empty()) {
    error = "no path given";
    return std::nullopt;
  }
  if (!options.glb.empty() && options.paths.size() != 1) {
    error = "--glb takes exactly one path";
    return std::nullopt;
  }
  return options;
}

std::string ShortUsage() {
  return "usage: tarnwick_inspect [--json] [--max-issues N] [--strict] "
         "[--glb OUT.glb [--glb-plain]] PATH...\n"
         "       tarnwick_inspect --help | -h | --version\n";
}

std::string UsageText() {
  return ShortUsage() + R"(
Tells what the host wrote into an exchange folder and what the bridge makes of it,
without a renderer and without changing any file. PATH is an exchange folder (its
_model.cvm, _mod.sm, camera.cam, Views.cam, _mod.sync and D5_Log.log are read where
present) or one such file.

Options:
  --json           the report as one JSON document (schema 1) instead of text
  --max-issues N   list at most N findings (default 1000); the counts stay exact
  --strict         warnings count as errors for the exit code
  --glb OUT.glb    also write the model as a binary glTF file (one PATH; native build only)
  --glb-plain      with --glb: leave materials and lights out
  -h, --help       this text
  --version        the version of this inspector
  --               what follows is a PATH, even one that begins with '-'

Exit codes:
  0  no error found
  1  errors found (with --strict, warnings too)
  2  a path cannot be read at all, or the command line is wrong

Example:
  tarnwick_inspect "%APPDATA%\Brevane\Corvella2026_D5Plugin\Data"
)";
}

int RunInspector(const RunOptions& options, std::string& out, ModelSink* geometry_tap, bool progress) {
  FindingLog log(options.max_issues);
  StderrProgress line;
  const ContainerOptions container_options{geometry_tap, progress ? &line : nullptr};
  std::vector<PathReport> reports;
  for (const std::string& path : options.paths) reports.push_back(InspectPath(path, log, container_options));
  const int exit_code = ExitCode(reports, log, options.strict);
  out = options.json ? ReportJson(reports, log, exit_code).dump(kJsonIndent) + "\n" : ReportText(reports, log);
  return exit_code;
}

}  // namespace tarnwick::inspect
