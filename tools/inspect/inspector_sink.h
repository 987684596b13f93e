// The inspector's model sink: it counts and checks what the container reader
// hands it, and passes every solid and part on to an optional geometry tap
// (for exports of the host model) without keeping any geometry itself.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "formats/model_sink.h"
#include "inspect/findings.h"
#include "inspect/part_checks.h"
#include "inspect/record_checks.h"
#include "inspect/report.h"

namespace tarnwick::inspect {

// Told of the position the reader has reached, for a progress line.
class ProgressObserver {
 public:
  virtual ~ProgressObserver() = default;
  // The reader is at `position` of `size` bytes.
  virtual void OnProgress(std::uint64_t position, std::uint64_t size) = 0;
};

// Checks one model body or one removal section.
class InspectorSink : public ModelSink {
 public:
  InspectorSink(RecordContext context, std::uint64_t file_size);

  // Solids and parts also go to this sink (none: to nobody).
  void SetGeometryTap(ModelSink* tap) { tap_ = tap; }
  // Told of progress at each solid (none: nobody).
  void SetProgress(ProgressObserver* progress) { progress_ = progress; }

  void OnMaterialText(const std::u16string& text) override;
  void OnLightText(const std::u16string& text) override;
  void OnSolidBegin(const SolidInfo& solid) override;
  void OnPart(const FileText& name, const PartGeometry& part) override;
  void OnSolidEnd(bool whole) override;
  void OnCameraText(const std::u16string& text) override;
  void OnRemovalList(const std::u16string& name, std::span<const std::uint32_t> ids) override;
  void OnCountRefused(std::uint64_t position, std::uint32_t count) override;
  void OnReadPastEnd(std::uint64_t position) override;
  void OnBodyAbandoned(const std::string& reason) override;

  // Ends the body: reports what is still pending (repeated ids, degenerate triangles).
  void Finish();

  // What was counted in the body.
  BodySummary& body() { return body_; }
  // What was found in the removal section.
  RemovalSummary& removals() { return removals_; }

 private:
  // Where the reader is: the file, the slot and the solid being read.
  Location Here() const;
  void CheckGeometry(const std::u16string& name, const PartGeometry& part, const Location& where);
  void CheckCounts(const std::string& label, const PartGeometry& part, const PartStats& stats,
                   const Location& where);
  void CheckAttributes(const std::string& label, std::uint32_t count, std::uint32_t vertices,
                       const char* which, const Location& where);

  RecordContext context_;
  std::uint64_t file_size_;
  ModelSink* tap_ = nullptr;
  ProgressObserver* progress_ = nullptr;
  BodySummary body_;
  RemovalSummary removals_;
  std::optional<SolidInfo> solid_;
  std::optional<SolidInfo> last_solid_;  // the solid read before the current one
  std::uint64_t solid_parts_with_vertices_ = 0;
  std::vector<std::pair<std::uint32_t, std::uint64_t>> solid_ids_;  // id, position
};

}  // namespace tarnwick::inspect
