// What the container reader finds, handed on in file order. The reader only
// reads; a sink decides what becomes of each record: the renderer export
// sends it to the renderer, the inspector checks and counts it, the tests
// record it. Every call has a default that ignores the record.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "formats/little_endian.h"

namespace tarnwick {

// A solid record's header, as the host wrote it.
struct SolidInfo {
  std::uint32_t id = 0;          // the solid id: key of the solid, number in its node name
  std::uint32_t time_stamp = 0;  // the host's change stamp of the solid
  std::uint64_t position = 0;    // absolute position of the record in the file
};

// UTF-16LE text where it stands in the file, at any alignment: valid only during the call.
struct FileText {
  const std::uint8_t* bytes = nullptr;
  std::uint32_t units = 0;

  // The text copied into `out`, which keeps its NUL after the last unit.
  void CopyTo(std::u16string& out) const {
    out.resize(units);
    DecodeUtf16Le(bytes, out.data(), units);
  }
  // The text as a string of its own.
  std::u16string ToString() const {
    std::u16string text;
    CopyTo(text);
    return text;
  }
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
  // Whether every index is below C1 / 3 (true without an index list): a part whose list
  // points past its vertices would make the renderer read outside the positions.
  bool indices_in_range = true;
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
  // The solid table is about to be read: at most `solids` solids follow, as many as its
  // entries where the bytes after it can hold their records. A sink may make room for them.
  virtual void OnSolidTable(std::uint32_t /*solids*/) {}
  // A solid begins; its parts follow, then OnSolidEnd.
  virtual void OnSolidBegin(const SolidInfo& /*solid*/) {}
  // One part of the current solid with its name and arrays, read whole from the file.
  virtual void OnPart(const FileText& /*name*/, const PartGeometry& /*part*/) {}
  // The current solid ends; `whole` is false when it was cut short: a part of it could not be
  // read whole (it ran past the end of the file, a count was refused, a read failed) or the
  // body's budget ended before its last part.
  virtual void OnSolidEnd(bool /*whole*/) {}
  // The Cameras keyed record of the body's camera block.
  virtual void OnCameraText(const std::u16string& /*text*/) {}
  // One named list of a removal section ("Solid", "Material"; others too) with its ids.
  virtual void OnRemovalList(const std::u16string& /*name*/,
                             std::span<const std::uint32_t> /*ids*/) {}
  // A count at `position` whose elements would run past the end of the file; the record
  // holding it is not whole and the reading stops there.
  virtual void OnCountRefused(std::uint64_t /*position*/, std::uint32_t /*count*/) {}
  // A record or field at `position` that lies past the end of the file; the reading stops.
  virtual void OnReadPastEnd(std::uint64_t /*position*/) {}
  // The file could not be read (a page of a mapped view was lost with its volume, or a read
  // of bytes inside the file failed): the reading stopped there, and the solid being read
  // was ended as not whole. With `whole_body`, the file was found shorter at the end of the
  // body than when it was opened: anything the body handed on may hold zeros.
  virtual void OnReadFailed(bool /*whole_body*/) {}
  // The body's reading stopped before its end: its records cost more work than the
  // file's size allows (a crafted file); the reason is a sentence for the log.
  virtual void OnBodyAbandoned(const std::string& /*reason*/) {}
};

}  // namespace tarnwick
