#include "inspect/report_json.h"

#include "tarnwick_version.h"

namespace tarnwick::inspect {

namespace {

using Json = nlohmann::ordered_json;

Json Triple(const std::array<float, 3>& v) { return Json::array({v[0], v[1], v[2]}); }

Json CameraJson(const CameraSummary& camera) {
  return Json{{"name", camera.name}, {"from", Triple(camera.from)}, {"to", Triple(camera.to)},
              {"up", Triple(camera.up)}, {"fov", camera.fov}};
}

Json ViewsJson(const ViewsSummary& views) {
  Json list = Json::array();
  for (const CameraSummary& view : views.views) list.push_back(CameraJson(view));
  return Json{{"active", views.active}, {"count", views.views.size()}, {"views", std::move(list)}};
}

Json BodyJson(const BodySummary& body) {
  Json json{{"slot", body.slot}, {"materials", body.materials}};
  json["lights"] = Json{{"total", body.lights.total}, {"by_kind", body.lights.by_kind},
                        {"switched_off", body.lights.switched_off}, {"not_sent", body.lights.not_sent}};
  json["solids"] = body.solids;
  json["parts"] = body.parts;
  json["parts_not_sent"] = body.parts_not_sent;
  json["vertices"] = body.vertices;
  json["triangles"] = body.triangles;
  json["degenerate_triangles"] = body.degenerate_triangles;
  json["bounds"] = body.bounds.empty ? Json(nullptr)
                                     : Json{{"min", Triple(body.bounds.min)}, {"max", Triple(body.bounds.max)}};
  json["views"] = body.views ? ViewsJson(*body.views) : Json(nullptr);
  return json;
}

Json RemovalsJson(const RemovalSummary& removals, const std::string& project) {
  Json lists = Json::array();
  for (const RemovalListSummary& list : removals.lists) {
    lists.push_back(Json{{"name", list.name}, {"count", list.count}, {"ids", list.ids}});
  }
  return Json{{"slot", removals.slot}, {"project", project}, {"lists", std::move(lists)}};
}

Json ContainerJson(const ContainerSummary& container) {
  Json json{{"file", container.file}, {"size", container.size}, {"header_read", container.header_read},
            {"format_version", container.format_version}};
  if (!container.header_read) return json;
  json["directory_end"] = container.directory_end;
  json["header_name"] = container.header_name;
  json["last_slot_index"] = container.last_slot_index;
  Json slots = Json::array();
  for (const SlotSummary& slot : container.slots) {
    slots.push_back(Json{{"index", slot.index}, {"name", slot.name}, {"kind", slot.kind},
                         {"offset", slot.offset}, {"body_size", slot.body_size}});
  }
  json["slots"] = std::move(slots);
  json["project"] = container.body ? Json(container.project) : Json(nullptr);
  json["model"] = container.body ? BodyJson(*container.body) : Json(nullptr);
  if (container.removals) json["removals"] = RemovalsJson(*container.removals, container.removal_project);
  return json;
}

Json FindingJson(const Finding& finding) {
  Json json{{"code", finding.code}, {"severity", SeverityName(finding.severity)},
            {"message", finding.message}, {"file", finding.where.file}};
  const Location& at = finding.where;
  if (at.slot) json["slot"] = *at.slot;
  if (at.offset) json["offset"] = *at.offset;
  if (at.solid_id) json["solid_id"] = *at.solid_id;
  if (at.part) json["part"] = *at.part;
  if (at.material) json["material"] = *at.material;
  if (at.light) json["light"] = *at.light;
  if (at.line) json["line"] = *at.line;
  if (finding.count != 1) json["count"] = finding.count;
  return json;
}

Json PathJson(const PathReport& report) {
  Json json{{"path", report.path}, {"folder", report.is_folder}, {"readable", report.readable}};
  Json containers = Json::array();
  for (const ContainerSummary& container : report.containers) containers.push_back(ContainerJson(container));
  json["containers"] = std::move(containers);
  Json cameras = Json::array();
  for (const CameraFileSummary& file : report.camera_files) {
    Json entry{{"file", file.file}};
    if (file.camera) entry["camera"] = CameraJson(*file.camera);
    if (file.views) entry["views"] = ViewsJson(*file.views);
    cameras.push_back(std::move(entry));
  }
  json["camera_files"] = std::move(cameras);
  json["sync_record"] = report.sync_record
                            ? Json{{"project", report.sync_record->project}, {"lines", report.sync_record->lines},
                                   {"solids", report.sync_record->solids}, {"materials", report.sync_record->materials}}
                            : Json(nullptr);
  json["log"] = report.log ? Json{{"lines", report.log->lines}, {"last_line", report.log->last_line}} : Json(nullptr);
  json["project_change"] = report.project ? Json{{"model_project", report.project->model_project},
                                                 {"incremental_project", report.project->incremental_project},
                                                 {"changed", report.project->changed}}
                                          : Json(nullptr);
  return json;
}

}  // namespace

int ExitCode(const std::vector<PathReport>& reports, const FindingLog& log, bool strict) {
  for (const PathReport& report : reports) {
    if (!report.readable) return kExitUnreadable;
  }
  if (log.Count(Severity::kError) > 0 || (strict && log.Count(Severity::kWarning) > 0)) return kExitFindings;
  return kExitClean;
}

nlohmann::ordered_json ReportJson(const std::vector<PathReport>& reports, const FindingLog& log,
                                  int exit_code) {
  Json paths = Json::array();
  for (const PathReport& report : reports) paths.push_back(PathJson(report));
  Json items = Json::array();
  for (const Finding& finding : log.listed()) items.push_back(FindingJson(finding));
  Json findings{{"total", log.total()}, {"errors", log.Count(Severity::kError)},
                {"warnings", log.Count(Severity::kWarning)}, {"infos", log.Count(Severity::kInfo)},
                {"listed", log.listed().size()}, {"by_code", log.by_code()}, {"items", std::move(items)}};
  return Json{{"tool", "tarnwick_inspect"}, {"version", kVersion}, {"schema", kSchemaVersion}, {"paths", std::move(paths)},
              {"findings", std::move(findings)}, {"exit_code", exit_code}};
}

}  // namespace tarnwick::inspect
