#include "exchange/sync_record.h"

#include <charconv>
#include <cstdio>
#include <functional>

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

// The record goes out in pieces of about this size. A record of 200,000 solids is
// some 8 MB: built whole, it and its copy with CRLF line ends leave the cache, and
// each line costs more than in a record of 20,000.
constexpr std::size_t kPieceBytes = std::size_t{64} << 10;

// The host reads the record as narrow text of the C runtime's default locale,
// which has no form for code units above U+00FF: they are written as '?'.
void AppendBracketed(std::string& text, const std::u16string& value) {
  text += '[';
  text += NarrowLatin1(value);
  text += ']';
}

// Numbers are written as signed 32-bit decimals, as the host expects.
void AppendBracketed(std::string& text, std::int32_t value) {
  char digits[16];
  digits[0] = '[';
  char* end = std::to_chars(digits + 1, digits + sizeof digits - 1, value).ptr;
  *end++ = ']';
  text.append(digits, end);
}

}  // namespace

void FormatSyncRecord(const SyncRecordContent& content,
                      const std::function<void(std::string_view)>& emit) {
  std::string text;
  text.reserve(2 * kPieceBytes);
  const auto line_done = [&] {
    text += '\n';
    if (text.size() < kPieceBytes) return;
    emit(text);
    text.clear();
  };
  text += "SourceProject: ";
  AppendBracketed(text, content.project);
  line_done();
  for (const SyncSolidLine& solid : content.solids) {
    text += "ID3D: ";
    AppendBracketed(text, solid.id);
    text += " TimeStamp: ";
    AppendBracketed(text, solid.time_stamp);
    line_done();
  }
  for (const SyncMaterialLine& material : content.materials) {
    text += "Material: ";
    AppendBracketed(text, *material.name);
    text += " TimeStamp: ";
    AppendBracketed(text, material.time_id);
    text += " MatIndex: ";
    AppendBracketed(text, material.index);
    line_done();
  }
  if (!text.empty()) emit(text);
}

std::string FormatSyncRecord(const SyncRecordContent& content) {
  std::string whole;
  FormatSyncRecord(content, [&whole](std::string_view piece) { whole += piece; });
  return whole;
}

bool WriteSyncRecord(const SyncRecordContent& content) {
  const std::u16string temporary = MakeExchangeFilePath(kTemporaryName);
  std::FILE* file = OpenFile(temporary, "wb");
  if (!file) return Fail(temporary, false, "cannot create " + NarrowLatin1(temporary));
  bool written = true;
  FormatSyncRecord(content, [&](std::string_view piece) {
    written = written && WriteTextModeBytes(file, piece);
  });
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
