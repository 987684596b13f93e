#include "inspect/report_text.h"

#include <cstdio>

#include "tarnwick_version.h"

namespace tarnwick::inspect {

namespace {

std::string Number(float value) {
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%g", static_cast<double>(value));
  return buffer;
}

std::string Triple(const std::array<float, 3>& v) {
  std::string text = "(";
  for (int axis = 0; axis < 3; ++axis) {
    if (axis > 0) text += ", ";
    text += Number(v[axis]);
  }
  return text + ")";
}

void AppendViews(std::string& out, const ViewsSummary& views, const char* indent) {
  out += std::string(indent) + "views: " + std::to_string(views.views.size()) + ", active " +
         std::to_string(views.active) + "\n";
  for (std::size_t i = 0; i < views.views.size(); ++i) {
    const CameraSummary& view = views.views[i];
    out += std::string(indent) + "  [" + std::to_string(i) + "] \"" + view.name + "\" from " +
           Triple(view.from) + " to " + Triple(view.to) + "\n";
  }
}

void AppendBody(std::string& out, const BodySummary& body) {
  out += "  model (slot " + std::to_string(body.slot) + "): " + std::to_string(body.materials) +
         " materials, " + std::to_string(body.lights.total) + " lights, " +
         std::to_string(body.solids) + " solids, " + std::to_string(body.parts) + " parts, " +
         std::to_string(body.vertices) + " vertices, " + std::to_string(body.triangles) + " triangles\n";
  std::string kinds;
  for (const auto& [kind, count] : body.lights.by_kind) kinds += " " + kind + " " + std::to_string(count) + ";";
  out += "    lights by kind:" + kinds + " switched off " + std::to_string(body.lights.switched_off) +
         ", not sent " + std::to_string(body.lights.not_sent) + "\n";
  if (body.parts_not_sent || body.degenerate_triangles) {
    out += "    parts not sent " + std::to_string(body.parts_not_sent) + ", degenerate triangles " +
           std::to_string(body.degenerate_triangles) + "\n";
  }
  out += body.bounds.empty ? std::string("    bounds: none\n")
                           : "    bounds: " + Triple(body.bounds.min) + " to " + Triple(body.bounds.max) + "\n";
  if (body.views) AppendViews(out, *body.views, "    ");
}

void AppendContainer(std::string& out, const ContainerSummary& c) {
  out += c.file + ": " + std::to_string(c.size) + " bytes, format version " + std::to_string(c.format_version);
  if (!c.header_read) {
    out += ", header not read\n";
    return;
  }
  out += ", header name \"" + c.header_name + "\", last slot " + std::to_string(c.last_slot_index) + "\n";
  for (const SlotSummary& slot : c.slots) {
    out += "  slot " + std::to_string(slot.index) + ": kind " + std::to_string(slot.kind) + ", offset " +
           std::to_string(slot.offset) + ", " + std::to_string(slot.body_size) + " bytes, \"" + slot.name + "\"\n";
  }
  if (c.removals) {
    out += "  removals (project \"" + c.removal_project + "\"):";
    for (const RemovalListSummary& list : c.removals->lists) {
      out += " " + list.name + " " + std::to_string(list.count) + ";";
    }
    out += "\n";
  }
  if (c.body) {
    out += "  project: \"" + c.project + "\"\n";
    AppendBody(out, *c.body);
  }
}

void AppendPath(std::string& out, const PathReport& report) {
  out += "== " + report.path + (report.is_folder ? " (exchange folder)" : "") + "\n";
  for (const ContainerSummary& container : report.containers) AppendContainer(out, container);
  if (report.project) {
    out += report.project->changed ? "project change: \"" + report.project->model_project + "\" -> \"" +
                                         report.project->incremental_project + "\"\n"
                                   : std::string("_mod.sm belongs to the project of _model.cvm\n");
  }
  for (const CameraFileSummary& file : report.camera_files) {
    out += file.file + ":\n";
    if (file.camera) {
      out += "  camera \"" + file.camera->name + "\" from " + Triple(file.camera->from) + " to " +
             Triple(file.camera->to) + ", fov " + Number(file.camera->fov) + "\n";
    }
    if (file.views) AppendViews(out, *file.views, "  ");
  }
  if (report.sync_record) {
    out += "_mod.sync: project \"" + report.sync_record->project + "\", " +
           std::to_string(report.sync_record->solids) + " solids, " +
           std::to_string(report.sync_record->materials) + " materials\n";
  }
  if (report.log) {
    out += "D5_Log.log: " + std::to_string(report.log->lines) + " lines, last \"" + report.log->last_line + "\"\n";
  }
}

std::string Where(const Location& at) {
  std::string text = at.file;
  if (at.slot) text += " slot " + std::to_string(*at.slot);
  if (at.offset) text += " @" + std::to_string(*at.offset);
  if (at.solid_id) text += " solid " + std::to_string(*at.solid_id);
  if (at.part) text += " part \"" + *at.part + "\"";
  if (at.material) text += " material \"" + *at.material + "\"";
  if (at.light) text += " light \"" + *at.light + "\"";
  if (at.line) text += " line " + std::to_string(*at.line);
  return text;
}

}  // namespace

std::string ReportText(const std::vector<PathReport>& reports, const FindingLog& log) {
  // The version first, so that a report pasted into a support request says which build wrote it.
  std::string out = std::string("tarnwick_inspect ") + kVersion + "\n";
  for (const PathReport& report : reports) AppendPath(out, report);
  out += "findings: " + std::to_string(log.Count(Severity::kError)) + " errors, " +
         std::to_string(log.Count(Severity::kWarning)) + " warnings, " +
         std::to_string(log.Count(Severity::kInfo)) + " infos\n";
  for (const Finding& finding : log.listed()) {
    out += "  " + std::string(SeverityName(finding.severity)) + " " + std::string(finding.code) + ": " +
           Where(finding.where) + ": " + finding.message + "\n";
  }
  if (log.listed().size() < log.total()) {
    out += "  (" + std::to_string(log.total() - log.listed().size()) + " more not listed)\n";
  }
  return out;
}

}  // namespace tarnwick::inspect
