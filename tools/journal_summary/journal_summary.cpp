#include "journal_summary/journal_summary.h"

#include <cmath>
#include <map>
#include <sstream>

#include "testlib/json.h"

namespace tarnwick::tools {

namespace {

using testing::Json;

// Triangles of one part: its index count / 3; a missing or bad count adds none.
std::uint64_t Triangles(const Json& call) {
  const Json& count = call["index_count"];
  if (count.type != Json::Type::Number || !(count.number > 0) || !std::isfinite(count.number)) {
    return 0;
  }
  return static_cast<std::uint64_t>(count.number) / 3;
}

void AddStart(JournalSummary& summary, const Json& call) {
  if (summary.started) return;
  summary.started = true;
  summary.project = call["project"].string;
}

void AddScenePath(JournalSummary& summary, const Json& call) {
  if (summary.scene_path.empty()) summary.scene_path = call["path"].string;
}

void AddCall(JournalSummary& summary, const Json& call) {
  static const std::map<std::string, std::uint64_t JournalSummary::*> kCounters = {
      {"D5API_AddMaterial", &JournalSummary::materials},
      {"D5API_ResetMaterial", &JournalSummary::materials_reset},
      {"D5API_AddLight", &JournalSummary::lights},
      {"D5API_RemoveLight", &JournalSummary::lights_removed},
      {"D5API_BeginNode", &JournalSummary::nodes},
      {"D5API_DeleteNode", &JournalSummary::nodes_deleted},
      {"D5API_AddIndexedTriangle", &JournalSummary::parts},
      {"D5API_AddSceneView", &JournalSummary::views},
      {"D5API_SendSimpleCamera", &JournalSummary::cameras},
      {"D5API_FlushData", &JournalSummary::flushes},
  };
  const std::string& fn = call["fn"].string;
  ++summary.calls;
  if (const auto it = kCounters.find(fn); it != kCounters.end()) ++(summary.*(it->second));
  if (fn == "D5API_AddIndexedTriangle") summary.triangles += Triangles(call);
  if (fn == "D5API_StartD5Render") AddStart(summary, call);
  if (fn == "D5API_CreateSession") summary.session_created = true;
  if (fn == "D5API_SetModelFilePath") AddScenePath(summary, call);
  if (fn == "D5API_DestroySession") summary.session_destroyed = true;
}

}  // namespace

void AddJournalLine(JournalSummary& summary, const std::string& line) {
  if (line.find_first_not_of(" \t\r") == std::string::npos) return;
  const auto call = testing::ParseJson(line);
  if (!call || (*call)["fn"].type != Json::Type::String) {
    ++summary.unreadable_lines;
    return;
  }
  AddCall(summary, *call);
}

JournalSummary SummariseJournal(std::istream& in) {
  JournalSummary summary;
  std::string line;
  while (std::getline(in, line)) AddJournalLine(summary, line);
  return summary;
}

std::string FormatJournalSummary(const JournalSummary& s) {
  std::ostringstream out;
  out << "Renderer calls: " << s.calls;
  if (s.unreadable_lines > 0) out << " (" << s.unreadable_lines << " unreadable lines skipped)";
  out << "\n";
  if (s.started) {
    out << "Session start: project \"" << s.project << "\", scene file \"" << s.scene_path
        << "\"" << (s.session_created ? "" : ", no session created") << "\n";
  } else {
    out << "Session start: none\n";
  }
  out << "Session end: " << (s.session_destroyed ? "destroyed" : "still open") << "\n";
  out << "Materials: " << s.materials << " added, " << s.materials_reset << " reset\n";
  out << "Lights: " << s.lights << " added, " << s.lights_removed << " removed\n";
  out << "Nodes: " << s.nodes << " added, " << s.nodes_deleted << " deleted\n";
  out << "Parts: " << s.parts << ", triangles: " << s.triangles << "\n";
  out << "Cameras: " << s.cameras << ", views: " << s.views << "\n";
  out << "Flushes: " << s.flushes << "\n";
  return out.str();
}

}  // namespace tarnwick::tools
