#include "inspect/findings.h"

#include <array>
#include <utility>

namespace tarnwick::inspect {

namespace {

constexpr CodeInfo kCatalogue[] = {
    {"path_unreadable", Severity::kError, "a path that cannot be opened or read"},
    {"model_file_missing", Severity::kError, "an exchange folder without _model.cvm"},
    {"header_short", Severity::kError, "a container shorter than its 208644-byte header"},
    {"version_unsupported", Severity::kError, "a container format version below 7"},
    {"directory_end_wrong", Severity::kError, "the header's directory end is not where the directory ends"},
    {"model_body_missing", Severity::kError, "the slot the bridge streams is not used or holds no model body"},
    {"slot_offset_past_end", Severity::kError, "a used slot whose body offset lies outside the file"},
    {"offset_past_end", Severity::kError, "a record or table read at an offset past the end of the file (the body stops there)"},
    {"count_past_end", Severity::kError, "a count whose elements would run past the end (the body stops there)"},
    {"body_cut_short", Severity::kError, "a body whose work passes the bridge's bound: it ends the body early"},
    {"solid_not_whole", Severity::kError, "a solid cut short (listed with time stamp 0 so the host sends it again)"},
    {"part_indices_out_of_range", Severity::kError, "a part whose indices reach past its vertices (not sent)"},
    {"solid_id_repeated", Severity::kWarning, "a solid id that appears more than once in a body"},
    {"position_count_not_triple", Severity::kWarning, "a position count that is not a multiple of 3"},
    {"index_count_not_triple", Severity::kWarning, "an index count that is not a multiple of 3"},
    {"attributes_short", Severity::kWarning, "an attribute array shorter than the vertex count"},
    {"coordinates_not_finite", Severity::kWarning, "NaN or infinite position values in a part"},
    {"texture_missing", Severity::kWarning, "a texture file a material names that does not exist"},
    {"ies_missing", Severity::kWarning, "an IES profile an IES light names that does not exist"},
    {"light_kind_unknown", Severity::kWarning, "a light kind the reader does not know (sent as a point light)"},
    {"material_name_missing", Severity::kWarning, "a material record without a readable MaterialID_Name"},
    {"keyed_line_skipped", Severity::kWarning, "lines of a record text that no key takes (passed over)"},
    {"keyed_value_unreadable", Severity::kWarning, "a key line whose number is not read (the field keeps its default)"},
    {"camera_default", Severity::kWarning, "a camera file that holds no Camera record (the default camera is sent)"},
    {"active_view_outside", Severity::kWarning, "an active view index outside the list of views"},
    {"sync_line_unparsed", Severity::kWarning, "a line of the sync record that does not parse"},
    {"degenerate_triangles", Severity::kInfo, "triangles with a repeated vertex or no area, counted per file"},
    {"solid_empty", Severity::kInfo, "a solid without parts or vertices"},
    {"light_not_sent", Severity::kInfo, "a light switched off or of a kind the bridge does not send"},
    {"project_changed", Severity::kInfo, "_mod.sm names another project than _model.cvm (a full reset)"},
};

// The catalogue's entry; a code outside it is a bug of the inspector and reports as itself.
const CodeInfo& Lookup(std::string_view code) {
  static constexpr CodeInfo kUnknown{"inspector_code_unknown", Severity::kError, ""};
  for (const CodeInfo& info : kCatalogue) {
    if (info.code == code) return info;
  }
  return kUnknown;
}

}  // namespace

std::string_view SeverityName(Severity severity) {
  static constexpr std::array<std::string_view, 3> kNames = {"error", "warning", "info"};
  return kNames[static_cast<std::size_t>(severity)];
}

std::span<const CodeInfo> CodeCatalogue() { return kCatalogue; }

void FindingLog::Add(std::string_view code, std::string message, Location where,
                     std::uint64_t count) {
  const CodeInfo& info = Lookup(code);
  ++by_severity_[static_cast<int>(info.severity)];
  ++by_code_[std::string(info.code)];
  if (listed_.size() < max_listed_) {
    listed_.push_back(Finding{info.code, info.severity, std::move(message), std::move(where), count});
  }
}

}  // namespace tarnwick::inspect
