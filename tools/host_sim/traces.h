// What the bridge leaves behind while it works: the stand-in renderer's journal
// (one JSON line per renderer call, appended as the calls happen) and the log.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace tarnwick::host_sim {

// Follows a journal file as it grows; only complete lines are taken.
class JournalFollower {
 public:
  explicit JournalFollower(std::filesystem::path path) : path_(std::move(path)) {}

  // Takes the lines appended since the last call.
  void Update();
  std::size_t size() const { return lines_.size(); }
  const std::vector<std::string>& lines() const { return lines_; }
  // Calls of the function among the lines from first on.
  std::size_t CountFrom(std::size_t first, std::string_view function) const;
  // The index of the first call of the function from first on, or size().
  std::size_t Find(std::string_view function, std::size_t first = 0) const;

 private:
  std::filesystem::path path_;
  std::uintmax_t offset_ = 0;
  std::vector<std::string> lines_;
};

// The "fn" of one journal line ("" when it has none).
std::string_view FunctionOf(std::string_view line);

// Log entries whose message is exactly message.
int CountLogEntries(const std::string& log, std::string_view message);

// Lines of text that begin with prefix.
int CountLinesStartingWith(const std::string& text, std::string_view prefix);

// The log without its CR, for printing.
std::string PlainLines(std::string text);

// What the renderer received in the journal lines first to last (exclusive), in
// a person's words: "1234 calls: 8 materials, 3 lights, 27 nodes (45 parts,
// 13872 triangles), 1 flush".
std::string DescribeCalls(const std::vector<std::string>& lines, std::size_t first,
                          std::size_t last);

}  // namespace tarnwick::host_sim
