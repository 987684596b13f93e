#include "exchange/sync_record.h"

#include <cstdio>

#include "exchange/exchange_folder.h"
#include "exchange/log_file.h"
#include "platform/file_io.h"
#include "platform/text.h"
#include "protocol/protocol.h"

namespace tarnwick {

namespace {

constexpr std::u16string_view kRecordName = protocol::kSyncRecordFile.view();
// Written beside the record and renamed over it, so that the host never finds
// a record that is half written or left from before a failed write.
constexpr std::u16string_view kTemporaryName = u"_mod.sync.tmp";
constexpr std::string_view kErrorPrefix = "Sync Record Error: ";

bool Fail(const std::u16string& temporary, bool created, std::string_view reason) {
  if (created) RemoveFile(temporary);
  WriteLog(std::string(kErrorPrefix) + std::string(reason));
  return false;
}

// The host reads the record as narrow text of the C runtime's default locale,
// which has no form for code units above U+00FF: they are written as '?'.
std::string Bracketed(const std::u16string& text) { return "[" + NarrowLatin1(text) + "]"; }

std::string Bracketed(std::int32_t value) { return "[" + std::to_string(value) + "]"; }

}  // namespace

std::string FormatSyncRecord(const SyncRecordContent& content) {
  std::string text = "SourceProject: " + Bracketed(content.project) + "\n";
  for (const SyncSolidLine& solid : content.solids) {
    // Both numbers are written as signed 32-bit decimals, as the host expects.
    text += "ID3D: " + Bracketed(solid.id) + " TimeStamp: " + Bracketed(solid.time_stamp) + "\n";
  }
  for (const SyncMaterialLine& material : content.materials) {
    text += "Material: " + Bracketed(*material.name) + " TimeStamp: " + Bracketed(material.time_id) +
            " MatIndex: " + Bracketed(material.index) + "\n";
  }
  return text;
}

bool WriteSyncRecord(const SyncRecordContent& content) {
  const std::u16string temporary = MakeExchangeFilePath(kTemporaryName);
  std::FILE* file = OpenFile(temporary, "wb");
  if (!file) return Fail(temporary, false, "cannot create " + NarrowLatin1(temporary));
  const bool written = WriteTextModeBytes(file, FormatSyncRecord(content));
  const bool closed = CloseFile(file);
  if (!written) return Fail(temporary, true, "cannot write " + NarrowLatin1(temporary));
  if (!closed) return Fail(temporary, true, "cannot close " + NarrowLatin1(temporary));
  const std::u16string record = MakeExchangeFilePath(kRecordName);
  if (!MoveFileReplacing(temporary, record)) {
    return Fail(temporary, true, "cannot replace " + NarrowLatin1(record));
  }
  return true;
}

}  // namespace tarnwick
