// Helpers of the end-to-end tests: running a scenario with its account on
// failure, and reading the journal and the log that the bridge left.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

#include "host_sim/host_simulator.h"
#include "host_sim/traces.h"
#include "testlib/journal_match.h"

namespace tarnwick::host_sim {

// Options of a simulator that keeps its account to itself.
inline SimulatorOptions Quietly() {
  SimulatorOptions options;
  options.echo = false;
  return options;
}

// Runs a script; a failure shows the simulator's error and everything it said.
inline ::testing::AssertionResult Ran(HostSimulator& simulator, std::string_view script) {
  if (simulator.RunScript(script)) return ::testing::AssertionSuccess();
  std::string story;
  for (const std::string& line : simulator.narration()) story += "  host: " + line + "\n";
  return ::testing::AssertionFailure() << simulator.error() << "\n" << story;
}

// The function of each journal line from first on.
inline std::vector<std::string> FunctionsFrom(const std::vector<std::string>& lines,
                                              std::size_t first = 0) {
  std::vector<std::string> functions;
  for (std::size_t i = first; i < lines.size(); ++i) functions.emplace_back(FunctionOf(lines[i]));
  return functions;
}

// The journal lines from first on, parsed.
inline std::vector<testing::Json> CallsFrom(const std::vector<std::string>& lines,
                                            std::size_t first = 0) {
  std::vector<testing::Json> calls;
  for (std::size_t i = first; i < lines.size(); ++i) {
    calls.push_back(testing::ParseJson(lines[i]).value_or(testing::Json{}));
  }
  return calls;
}

// The log's messages in order, without their time stamps.
inline std::vector<std::string> LogMessages(const std::string& log) {
  std::vector<std::string> messages;
  std::size_t at = 0;
  while (at < log.size()) {
    std::size_t end = log.find("\r\n", at);
    if (end == std::string::npos) end = log.size();
    const std::string line = log.substr(at, end - at);
    const std::size_t stamp_end = line.find("]: ");
    messages.push_back(stamp_end == std::string::npos ? line : line.substr(stamp_end + 3));
    at = end + 2;
  }
  return messages;
}

// How often the function was called among the lines from first on.
inline int CountCalls(const std::vector<std::string>& lines, std::string_view function,
                      std::size_t first = 0) {
  int count = 0;
  for (std::size_t i = first; i < lines.size(); ++i) count += FunctionOf(lines[i]) == function;
  return count;
}

}  // namespace tarnwick::host_sim
