// Findings of the inspector: each has a stable code, a severity that follows
// what the bridge does with the thing found, a message and where it is. The
// log lists at most a given number of findings but counts every one.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tarnwick::inspect {

// Error: the bridge refuses it or cannot send it. Warning: the bridge sends something other
// than what the host meant. Info: worth knowing, sent as meant.
enum class Severity { kError, kWarning, kInfo };

// "error", "warning" or "info".
std::string_view SeverityName(Severity severity);

// One code of the catalogue with its fixed severity and what it means.
struct CodeInfo {
  std::string_view code;
  Severity severity;
  std::string_view meaning;
};

// Every code the inspector reports, in the order of the README's table.
std::span<const CodeInfo> CodeCatalogue();

// Where a finding is; unset members are not known or do not apply.
struct Location {
  std::string file;  // the file's name
  std::optional<int> slot;
  std::optional<std::uint64_t> offset;  // absolute byte offset in the file
  std::optional<std::uint32_t> solid_id;
  std::optional<std::string> part;      // UTF-8
  std::optional<std::string> material;  // UTF-8
  std::optional<std::string> light;     // UTF-8
  std::optional<std::uint32_t> line;    // 1-based line of a text file
};

// One finding; `count` is how many things it stands for (degenerate triangles, values).
struct Finding {
  std::string_view code;
  Severity severity = Severity::kInfo;
  std::string message;
  Location where;
  std::uint64_t count = 1;
};

// The findings of one run: the first `max_listed` are kept, all are counted.
class FindingLog {
 public:
  explicit FindingLog(std::uint64_t max_listed) : max_listed_(max_listed) {}

  // Adds a finding of a catalogue code (its severity is the catalogue's).
  void Add(std::string_view code, std::string message, Location where, std::uint64_t count = 1);

  // The findings kept, in the order found.
  const std::vector<Finding>& listed() const { return listed_; }
  // Findings by code, every one counted.
  const std::map<std::string, std::uint64_t>& by_code() const { return by_code_; }
  // Number of findings of a severity.
  std::uint64_t Count(Severity severity) const { return by_severity_[static_cast<int>(severity)]; }
  // Number of findings in all.
  std::uint64_t total() const { return Count(Severity::kError) + Count(Severity::kWarning) + Count(Severity::kInfo); }

 private:
  std::uint64_t max_listed_;
  std::vector<Finding> listed_;
  std::map<std::string, std::uint64_t> by_code_;
  std::uint64_t by_severity_[3] = {};
};

}  // namespace tarnwick::inspect
