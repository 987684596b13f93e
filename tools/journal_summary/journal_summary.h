// A person's summary of a stand-in renderer journal: what a bridge sent to
// the renderer, counted by kind, and how its session began and ended.
#pragma once

#include <cstdint>
#include <istream>
#include <string>

namespace tarnwick::tools {

// The counts and facts gathered from one journal.
struct JournalSummary {
  std::uint64_t calls = 0;
  std::uint64_t unreadable_lines = 0;
  std::string project;      // of the first D5API_StartD5Render
  std::string scene_path;   // of the first D5API_SetModelFilePath
  bool started = false;
  bool session_created = false;
  bool session_destroyed = false;
  std::uint64_t materials = 0;
  std::uint64_t materials_reset = 0;
  std::uint64_t lights = 0;
  std::uint64_t lights_removed = 0;
  std::uint64_t nodes = 0;
  std::uint64_t nodes_deleted = 0;
  std::uint64_t parts = 0;
  std::uint64_t triangles = 0;
  std::uint64_t views = 0;
  std::uint64_t cameras = 0;
  std::uint64_t flushes = 0;
};

// Adds one journal line to the summary; blank lines are skipped.
void AddJournalLine(JournalSummary& summary, const std::string& line);

// Reads a whole journal, one JSON object a line.
JournalSummary SummariseJournal(std::istream& in);

// The summary as a few lines of plain text.
std::string FormatJournalSummary(const JournalSummary& summary);

}  // namespace tarnwick::tools
