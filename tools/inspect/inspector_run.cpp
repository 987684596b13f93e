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

}  // namespace

std::optional<RunOptions> ParseArguments(const std::vector<std::string>& args, std::string& error) {
  RunOptions options;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (arg == "--json") {
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
    } else if (arg.starts_with("--")) {
      error = "unknown option " + arg;
      return std::nullopt;
    } else {
      options.paths.push_back(arg);
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
