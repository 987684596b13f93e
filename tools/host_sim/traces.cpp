#include "host_sim/traces.h"

#include <fstream>

#include "journal_summary/journal_summary.h"

namespace tarnwick::host_sim {

void JournalFollower::Update() {
  std::ifstream in(path_, std::ios::binary);
  if (!in) return;
  in.seekg(0, std::ios::end);
  const auto end = static_cast<std::uintmax_t>(in.tellg());
  if (end <= offset_) return;
  in.seekg(static_cast<std::streamoff>(offset_));
  std::string fresh(static_cast<std::size_t>(end - offset_), '\0');
  in.read(fresh.data(), static_cast<std::streamsize>(fresh.size()));
  fresh.resize(static_cast<std::size_t>(in.gcount()));
  // A line still being written is left for the next call.
  const std::size_t complete = fresh.rfind('\n');
  if (complete == std::string::npos) return;
  offset_ += complete + 1;
  std::size_t begin = 0;
  while (begin <= complete) {
    const std::size_t lf = fresh.find('\n', begin);
    std::string line = fresh.substr(begin, lf - begin);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (!line.empty()) lines_.push_back(std::move(line));
    begin = lf + 1;
  }
}

std::size_t JournalFollower::CountFrom(std::size_t first, std::string_view function) const {
  std::size_t count = 0;
  for (std::size_t i = first; i < lines_.size(); ++i) count += FunctionOf(lines_[i]) == function;
  return count;
}

std::size_t JournalFollower::Find(std::string_view function, std::size_t first) const {
  for (std::size_t i = first; i < lines_.size(); ++i) {
    if (FunctionOf(lines_[i]) == function) return i;
  }
  return lines_.size();
}

std::string_view FunctionOf(std::string_view line) {
  constexpr std::string_view kKey = "\"fn\": \"";
  const std::size_t at = line.find(kKey);
  if (at == std::string_view::npos) return {};
  const std::size_t begin = at + kKey.size();
  const std::size_t end = line.find('"', begin);
  return end == std::string_view::npos ? std::string_view() : line.substr(begin, end - begin);
}

int CountLogEntries(const std::string& log, std::string_view message) {
  const std::string needle = "]: " + std::string(message) + "\r\n";
  int count = 0;
  for (std::size_t at = log.find(needle); at != std::string::npos; at = log.find(needle, at + 1)) {
    ++count;
  }
  return count;
}

int CountLinesStartingWith(const std::string& text, std::string_view prefix) {
  int count = 0;
  for (std::size_t at = 0; at < text.size();) {
    if (text.compare(at, prefix.size(), prefix) == 0) ++count;
    const std::size_t lf = text.find('\n', at);
    at = lf == std::string::npos ? text.size() : lf + 1;
  }
  return count;
}

std::string PlainLines(std::string text) {
  std::erase(text, '\r');
  return text;
}

namespace {

void Item(std::string& out, std::uint64_t count, const char* one, const char* many) {
  if (count == 0) return;
  out += out.empty() ? ": " : ", ";
  out += std::to_string(count) + " " + (count == 1 ? one : many);
}

}  // namespace

std::string DescribeCalls(const std::vector<std::string>& lines, std::size_t first,
                          std::size_t last) {
  tools::JournalSummary s;
  for (std::size_t i = first; i < last && i < lines.size(); ++i) tools::AddJournalLine(s, lines[i]);
  std::string items;
  if (s.started) items += ": renderer started for project \"" + s.project + "\"";
  Item(items, s.materials, "material", "materials");
  Item(items, s.materials_reset, "material reset", "materials reset");
  Item(items, s.lights, "light", "lights");
  Item(items, s.lights_removed, "light withdrawn", "lights withdrawn");
  Item(items, s.nodes_deleted, "node deleted", "nodes deleted");
  if (s.nodes > 0) {
    Item(items, s.nodes, "node", "nodes");
    items +=
        " (" + std::to_string(s.parts) + " parts, " + std::to_string(s.triangles) + " triangles)";
  }
  Item(items, s.cameras, "camera", "cameras");
  Item(items, s.views, "saved view", "saved views");
  Item(items, s.flushes, "flush", "flushes");
  if (s.session_destroyed) items += items.empty() ? ": session closed" : ", session closed";
  return std::to_string(s.calls) + (s.calls == 1 ? " call" : " calls") + items;
}

}  // namespace tarnwick::host_sim
