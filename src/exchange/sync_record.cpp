#include "exchange/sync_record.h"

#include <cstdio>

#include "exchange/exchange_folder.h"
#include "platform/file_io.h"
#include "platform/text.h"

namespace tarnwick {

namespace {

// The host reads the record as narrow text of the C runtime's default locale,
// which has no form for code units above U+00FF: they are written as '?'.
std::string Bracketed(const std::u16string& text) { return "[" + NarrowLatin1(text) + "]"; }

std::string Bracketed(std::int32_t value) { return "[" + std::to_string(value) + "]"; }

}  // namespace

std::string FormatSyncRecord(const ExchangeDocument& document) {
  std::string text = "SourceProject: " + Bracketed(document.SourceProject) + "\n";
  for (const auto& [id, solid] : document.Solids) {
    // Both numbers are written as signed 32-bit decimals, as the host expects.
    text += "ID3D: " + Bracketed(solid.ID3D) +
            " TimeStamp: " + Bracketed(static_cast<std::int32_t>(solid.TimeStamp)) + "\n";
  }
  for (const auto& [name, material] : document.Materials) {
    text += "Material: " + Bracketed(name) + " TimeStamp: " + Bracketed(material.nTimeID) +
            " MatIndex: " + Bracketed(material._nMatDescIndex) + "\n";
  }
  return text;
}

void WriteSyncRecord(const ExchangeDocument& document) {
  std::FILE* file = OpenFile(MakeExchangeFilePath(u"_mod.sync"), "wb");
  if (!file) return;
  WriteTextModeBytes(file, FormatSyncRecord(document));
  std::fclose(file);
}

}  // namespace tarnwick
