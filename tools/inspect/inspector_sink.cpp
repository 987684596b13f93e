#include "inspect/inspector_sink.h"

#include <algorithm>

#include "inspect/part_checks.h"
#include "platform/text.h"

namespace tarnwick::inspect {

namespace {

std::string Bytes(std::uint64_t n) { return std::to_string(n) + " bytes"; }

}  // namespace

InspectorSink::InspectorSink(RecordContext context, std::uint64_t file_size)
    : context_(std::move(context)), file_size_(file_size) {
  if (context_.slot) {
    body_.slot = *context_.slot;
    removals_.slot = *context_.slot;
  }
}

Location InspectorSink::Here() const {
  Location where{.file = context_.file, .slot = context_.slot};
  if (solid_) where.solid_id = solid_->id;
  return where;
}

void InspectorSink::OnCountRefused(std::uint64_t position, std::uint32_t count) {
  Location at = Here();
  at.offset = position;
  context_.log->Add("count_past_end",
                    "a count of " + std::to_string(count) + " at byte " + std::to_string(position) +
                        " runs past the end of the file (" + Bytes(file_size_) +
                        "); the bridge stops reading the body there",
                    at);
}

void InspectorSink::OnReadPastEnd(std::uint64_t position) {
  Location at = Here();
  at.offset = position;
  context_.log->Add("offset_past_end",
                    "a read at byte " + std::to_string(position) + " lies past the end of the file (" +
                        Bytes(file_size_) + "); the bridge stops reading the body there",
                    at);
}

void InspectorSink::OnMaterialText(const std::u16string& text) {
  CheckMaterialText(text, context_, body_);
}

void InspectorSink::OnLightText(const std::u16string& text) {
  CheckLightText(text, context_, body_.lights);
}

void InspectorSink::OnSolidBegin(const SolidInfo& solid) {
  solid_ = solid;
  solid_parts_with_vertices_ = 0;
  ++body_.solids;
  solid_ids_.emplace_back(solid.id, solid.position);
  Location where = Here();
  where.offset = solid.position;
  if (progress_) progress_->OnProgress(solid.position, file_size_);
  if (tap_) tap_->OnSolidBegin(solid);
}

void InspectorSink::OnPart(const FileText& file_name, const PartGeometry& part) {
  const std::u16string name = file_name.ToString();
  Location where = Here();
  where.part = Utf8FromUtf16(name);
  where.offset = part.position;
  ++body_.parts;
  CheckGeometry(name, part, where);
  if (tap_) tap_->OnPart(file_name, part);
}

void InspectorSink::OnSolidEnd(bool whole) {
  if (solid_ && !whole) {
    Location where = Here();
    where.offset = solid_->position;
    context_.log->Add("solid_not_whole",
                      "solid " + std::to_string(solid_->id) +
                          " is cut short; the bridge lists it with time stamp 0 in the sync "
                          "record, so that the host sends it again",
                      where);
  }
  if (solid_ && solid_parts_with_vertices_ == 0) {
    Location where = Here();
    where.offset = solid_->position;
    context_.log->Add("solid_empty",
                      "solid " + std::to_string(solid_->id) + " has no part with vertices", where);
  }
  last_solid_ = std::move(solid_);
  solid_.reset();
  if (tap_) tap_->OnSolidEnd(whole);
}

void InspectorSink::OnBodyAbandoned(const std::string& reason) {
  Location where = Here();
  std::string stop = "before its first solid";
  if (solid_) {
    where.offset = solid_->position;
    stop = "in solid " + std::to_string(solid_->id);
  } else if (last_solid_) {
    where.solid_id = last_solid_->id;
    where.offset = last_solid_->position;
    stop = "after solid " + std::to_string(last_solid_->id);
  }
  context_.log->Add("body_cut_short", "the bridge ends this body early, " + stop + ": " + reason,
                    where);
}

void InspectorSink::OnCameraText(const std::u16string& text) {
  body_.views = CheckViewsText(text, context_);
}

void InspectorSink::OnRemovalList(const std::u16string& name, std::span<const std::uint32_t> ids) {
  RemovalListSummary list;
  list.name = Utf8FromUtf16(name);
  list.count = ids.size();
  list.ids.assign(ids.begin(), ids.begin() + static_cast<std::ptrdiff_t>(std::min(ids.size(), kMaxListedIds)));
  removals_.lists.push_back(std::move(list));
}

void InspectorSink::Finish() {
  std::sort(solid_ids_.begin(), solid_ids_.end());
  for (std::size_t i = 0; i < solid_ids_.size();) {
    std::size_t j = i + 1;
    while (j < solid_ids_.size() && solid_ids_[j].first == solid_ids_[i].first) ++j;
    if (j - i > 1) {
      Location where{.file = context_.file, .slot = context_.slot,
                     .offset = solid_ids_[i + 1].second, .solid_id = solid_ids_[i].first};
      context_.log->Add("solid_id_repeated",
                        "solid id " + std::to_string(solid_ids_[i].first) + " appears " +
                            std::to_string(j - i) + " times; the renderer keeps the last",
                        where);
    }
    i = j;
  }
  solid_ids_.clear();
  solid_ids_.shrink_to_fit();
  if (body_.degenerate_triangles > 0) {
    context_.log->Add("degenerate_triangles",
                      std::to_string(body_.degenerate_triangles) +
                          " triangles have a repeated corner or no area",
                      Location{.file = context_.file, .slot = context_.slot},
                      body_.degenerate_triangles);
  }
}

void InspectorSink::CheckGeometry(const std::u16string& name, const PartGeometry& part,
                                  const Location& where) {
  const PartStats stats = MeasurePart(part, body_.bounds);
  const std::string label = "part \"" + Utf8FromUtf16(name) + "\"";
  body_.vertices += stats.vertices;
  body_.degenerate_triangles += stats.degenerate_triangles;
  if (stats.vertices > 0) ++solid_parts_with_vertices_;
  CheckCounts(label, part, stats, where);
  if (stats.indices_out_of_range > 0) {
    ++body_.parts_not_sent;
    context_.log->Add("part_indices_out_of_range",
                      label + " has " + std::to_string(stats.indices_out_of_range) +
                          " indices at or past its " + std::to_string(stats.vertices) +
                          " vertices; the bridge does not send it",
                      where, stats.indices_out_of_range);
    return;
  }
  body_.triangles += stats.triangles;
}

void InspectorSink::CheckCounts(const std::string& label, const PartGeometry& part,
                                const PartStats& stats, const Location& where) {
  if (part.position_count % 3 != 0) {
    context_.log->Add("position_count_not_triple",
                      label + " has " + std::to_string(part.position_count) +
                          " position values; the last " + std::to_string(part.position_count % 3) +
                          " are not used",
                      where);
  }
  if (stats.non_finite_values > 0) {
    context_.log->Add("coordinates_not_finite",
                      label + " has " + std::to_string(stats.non_finite_values) +
                          " NaN or infinite position values",
                      where, stats.non_finite_values);
  }
  CheckAttributes(label, part.attributes1_count, stats.vertices, "first", where);
  CheckAttributes(label, part.attributes2_count, stats.vertices, "second", where);
  // Without an index list the bridge numbers the vertices, so their count is the index count.
  const std::uint64_t sent_indices = part.index_count > 0 ? part.index_count : stats.vertices;
  if (sent_indices % 3 != 0) {
    context_.log->Add("index_count_not_triple",
                      label + " gives " + std::to_string(sent_indices) +
                          (part.index_count > 0 ? " indices" : " numbered vertices") +
                          ", not a whole number of triangles",
                      where);
  }
}

void InspectorSink::CheckAttributes(const std::string& label, std::uint32_t count,
                                    std::uint32_t vertices, const char* which,
                                    const Location& where) {
  if (count == 0 || count >= vertices) return;
  context_.log->Add("attributes_short",
                    label + " has " + std::to_string(count) + " values in its " + which +
                        " attribute array for " + std::to_string(vertices) + " vertices",
                    where);
}

}  // namespace tarnwick::inspect
