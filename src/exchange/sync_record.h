// The sync record "_mod.sync": what the renderer holds according to the
// bridge, written for the host, which answers with only the differences.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tarnwick {

// One solid line: "ID3D: [id] TimeStamp: [stamp]", both written as signed 32-bit numbers.
// Trivial, so that the record of held solids grows by copying its bytes.
struct SyncSolidLine {
  std::uint32_t id;
  std::uint32_t time_stamp;
};

// One material line: "Material: [name] TimeStamp: [nTimeID] MatIndex: [index]".
struct SyncMaterialLine {
  const std::u16string* name = nullptr;  // borrowed from the caller for the write
  std::int32_t time_id = -1;
  std::int32_t index = 0;
};

// The record's content, in the order it is written: solids by unsigned id, materials by name.
struct SyncRecordContent {
  std::u16string project;
  std::span<const SyncSolidLine> solids;  // borrowed from the caller for the write
  std::vector<SyncMaterialLine> materials;
};

// The record's text: the project line, the solid lines, the material lines, each ended by
// LF, or CR LF with `crlf`. The file holds it with CR LF (SyncRecordBytes); LF reads better
// in tests.
std::string FormatSyncRecord(const SyncRecordContent& content, bool crlf = false);

// The record's bytes as the file holds them: the text with CR LF line ends.
std::string SyncRecordBytes(const SyncRecordContent& content);

// Replaces "_mod.sync" in the exchange folder in one step by a complete record, or, while
// another process holds it, writes it in place, where the file is first made long enough
// for the new record (a full disk then fails with the old record whole). True only for a
// complete, closed record. On failure "Sync Record Error: " and the failure that stopped it
// are logged and the result is false.
bool WriteSyncRecord(const SyncRecordContent& content);

}  // namespace tarnwick
