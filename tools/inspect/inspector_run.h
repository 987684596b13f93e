// The inspector's command line and one whole run:
//   tarnwick_inspect [--json] [--max-issues N] [--strict] [--glb OUT.glb [--glb-plain]] PATH...
//   tarnwick_inspect --help | -h | --version
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "formats/model_sink.h"

namespace tarnwick::inspect {

// Findings listed when --max-issues is not given.
inline constexpr std::uint64_t kDefaultMaxIssues = 1000;
// Files above this size get a progress line when standard error is a terminal.
inline constexpr std::uint64_t kProgressFileBytes = std::uint64_t{64} << 20;

// What the command line asks for besides a report.
enum class Request {
  kReport,   // inspect the paths
  kHelp,     // --help or -h: the usage, exit code 0
  kVersion,  // --version: the version, exit code 0
};

// What the command line asks for.
struct RunOptions {
  Request request = Request::kReport;
  bool json = false;
  bool strict = false;
  std::uint64_t max_issues = kDefaultMaxIssues;
  std::vector<std::string> paths;  // UTF-8
  std::string glb;                 // where the model goes as a glTF file (one PATH); empty: nowhere
  bool glb_plain = false;          // the file without materials and lights
};

// The options of the arguments after the program name; nothing, with `error` set, when they
// are not understood. --help, -h or --version anywhere asks for that alone.
std::optional<RunOptions> ParseArguments(const std::vector<std::string>& args, std::string& error);

// The usage: the command line, every option, the exit codes and an example.
std::string UsageText();

// The one-line usage that follows a command-line error on standard error.
std::string ShortUsage();

// Inspects every path and writes the report to `out`; returns the exit code.
// `geometry_tap` receives every solid and part read; `progress` enables the progress line.
int RunInspector(const RunOptions& options, std::string& out, ModelSink* geometry_tap = nullptr,
                 bool progress = false);

}  // namespace tarnwick::inspect
