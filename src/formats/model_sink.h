// What the container reader finds, handed on in file order. The reader only
// reads; a sink decides what becomes of each record: the renderer export
// sends it to the renderer, the inspector checks and counts it, the tests
// record it. Every call has a default that ignores the record.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>

#include "platform/file_io.h"

namespace tarnwick {

// A solid record's header, as the host wrote it.
struct SolidInfo {
  std::uint32_t id = 0;          // the solid id: key of the solid, number in its node name
  std::uint32_t time_stamp = 0;  // the host's change stamp of the solid
  std::u16string label;          // the first counted string of the record (not interpreted)
  std::uint64_t position = 0;    // absolute position of the record in the file
};

// The counts of a part record's eight arrays, as the file stores them.
using ArrayCounts = std::array<std::uint32_t, 8>;

// One part's arrays, valid only during the call: 4-byte aligned; null when empty, and for a
// sink that wants no copies, null when the file does not lend them in place.
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
  const ArrayCounts* stored_counts = nullptr;  // the eight counts, when all lay in the file
};

// Receiver of one body's or one removal section's records.
class ModelSink {
 public:
  virtual ~ModelSink() = default;

  // The file a slot's body is about to be read from, as it is now (not for every stream).
  virtual void OnFileStamp(const FileStamp& /*stamp*/) {}
  // The text of one material entry (a Material keyed record), up to its first NUL.
  virtual void OnMaterialText(const std::u16string& /*text*/) {}
  // The text of one light entry (a Light keyed record).
  virtual void OnLightText(const std::u16string& /*text*/) {}
  // A solid begins; its parts follow, then OnSolidEnd.
  virtual void OnSolidBegin(const SolidInfo& /*solid*/) {}
  // One part of the current solid with its name and arrays.
  virtual void OnPart(const std::u16string& /*name*/, const PartGeometry& /*part*/) {}
  // The eight counts of the part record at `position` when the sink knows them from an
  // earlier reading of this very file: the reader then takes them instead of loading them.
  virtual const ArrayCounts* KnownCounts(std::uint64_t /*position*/) { return nullptr; }
  // Whether KnownCounts is likely to know the coming parts' counts, which the reader then
  // does not load ahead.
  virtual bool KnowsCounts() const { return false; }
  // The current solid ends.
  virtual void OnSolidEnd() {}
  // The Cameras keyed record of the body's camera block.
  virtual void OnCameraText(const std::u16string& /*text*/) {}
  // One named list of a removal section ("Solid", "Material"; others too) with its ids.
  virtual void OnRemovalList(const std::u16string& /*name*/,
                             std::span<const std::uint32_t> /*ids*/) {}
  // A count at `position` whose elements would run past the end of the file; it is taken as 0.
  virtual void OnCountRefused(std::uint64_t /*position*/, std::uint32_t /*count*/) {}
  // A read at `position` that the file cannot satisfy (an offset or a record past its end).
  virtual void OnReadPastEnd(std::uint64_t /*position*/) {}
  // False for a sink that takes only the arrays the file lends in place (4-byte aligned in a
  // mapped view): every other array then comes as null, with its count, and costs no copy.
  virtual bool WantsCopies() const { return true; }
  // False for a sink that wants no second thread loading the bytes ahead of the reader.
  virtual bool WantsReadAhead() const { return true; }
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
