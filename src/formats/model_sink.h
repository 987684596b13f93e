// What the container reader finds, handed on in file order. The reader only
// reads; a sink decides what becomes of each record: the renderer export
// sends it to the renderer, the inspector checks and counts it, the tests
// record it. Every call has a default that ignores the record.
#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace tarnwick {

// A solid record's header, as the host wrote it.
struct SolidInfo {
  std::uint32_t id = 0;          // the solid id: key of the solid, number in its node name
  std::uint32_t time_stamp = 0;  // the host's change stamp of the solid
  std::u16string label;          // the first counted string of the record (not interpreted)
  std::uint64_t position = 0;    // absolute position of the record in the file
};

// One part's arrays, valid only during the call: 4-byte aligned; null when empty.
struct PartGeometry {
  std::uint32_t position_count = 0;  // C1, three floats per vertex
  const float* positions = nullptr;
  std::uint32_t attributes1_count = 0;  // C5
  const void* attributes1 = nullptr;    // array 5, the mesh's first attribute array
  std::uint32_t attributes2_count = 0;  // C2
  const void* attributes2 = nullptr;    // array 2, the mesh's second attribute array
  std::uint32_t index_count = 0;        // C6; 0 when the part has no index list
  const std::uint32_t* indices = nullptr;
  std::uint64_t position = 0;  // absolute position of the part record in the file
};

// Receiver of one body's or one removal section's records.
class ModelSink {
 public:
  virtual ~ModelSink() = default;

  // The text of one material entry (a Material keyed record), up to its first NUL.
  virtual void OnMaterialText(const std::u16string& /*text*/) {}
  // The text of one light entry (a Light keyed record).
  virtual void OnLightText(const std::u16string& /*text*/) {}
  // A solid begins; its parts follow, then OnSolidEnd.
  virtual void OnSolidBegin(const SolidInfo& /*solid*/) {}
  // One part of the current solid with its name and arrays.
  virtual void OnPart(const std::u16string& /*name*/, const PartGeometry& /*part*/) {}
  // The current solid ends; `whole` is false when it was cut short: its record, part table,
  // a part's header or an array ran past the end of the file (a count refused, a read that
  // found nothing), or the body's budget ended before its last part.
  virtual void OnSolidEnd(bool /*whole*/) {}
  // The Cameras keyed record of the body's camera block.
  virtual void OnCameraText(const std::u16string& /*text*/) {}
  // One named list of a removal section ("Solid", "Material"; others too) with its ids.
  virtual void OnRemovalList(const std::u16string& /*name*/,
                             std::span<const std::uint32_t> /*ids*/) {}
  // A count at `position` whose elements would run past the end of the file; it is taken as 0.
  virtual void OnCountRefused(std::uint64_t /*position*/, std::uint32_t /*count*/) {}
  // A read at `position` that the file cannot satisfy (an offset or a record past its end).
  virtual void OnReadPastEnd(std::uint64_t /*position*/) {}
  // False once the sink wants no more records: the reader then stops before the next
  // entry of any table, quietly.
  virtual bool WantsMore() const { return true; }
  // The file could not be read from some point of the body on (a page of a mapped view was
  // lost with its volume): the records from there on were read as zeros, and the last ones
  // handed on may hold zeros too.
  virtual void OnReadFailed() {}
  // The body's reading stopped before its end: its records cost more work than the
  // file's size allows (a crafted file); the reason is a sentence for the log.
  virtual void OnBodyAbandoned(const std::string& /*reason*/) {}
};

}  // namespace tarnwick
