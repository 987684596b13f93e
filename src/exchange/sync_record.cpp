#include "exchange/sync_record.h"

#include <cstdio>

#include "exchange/exchange_folder.h"
#include "platform/file_io.h"
#include "platform/text.h"
#include "protocol/protocol.h"

namespace tarnwick {

namespace {

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

void WriteSyncRecord(const SyncRecordContent& content) {
  std::FILE* file = OpenFile(MakeExchangeFilePath(protocol::kSyncRecordFile.view()), "wb");
  if (!file) return;
  WriteTextModeBytes(file, FormatSyncRecord(content));
  std::fclose(file);
}

}  // namespace tarnwick
