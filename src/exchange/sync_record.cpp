#include "exchange/sync_record.h"

#include <charconv>
#include <chrono>
#include <cstdio>
#include <functional>
#include <thread>

#include "exchange/exchange_folder.h"
#include "exchange/log_file.h"
#include "platform/file_io.h"
#include "platform/text.h"
#include "protocol/protocol.h"

namespace tarnwick {

namespace {

constexpr std::u16string_view kRecordName = protocol::kSyncRecordFile.view();
// Written beside the record and renamed over it, so that the host never finds
// a record that is half written or left from before a failed write. The host
// reads the record only once told, so one written in place serves as well.
constexpr std::u16string_view kTemporaryName = u"_mod.sync.tmp";
constexpr std::string_view kErrorPrefix = "Sync Record Error: ";
// How long a refused replace is tried again, and the pause between tries.
constexpr std::chrono::milliseconds kReplaceRetryTime{1000};
constexpr std::chrono::milliseconds kReplaceRetryStep{50};

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

// Every piece of the record's text, in text mode; false once one cannot be written.
bool WriteRecordText(std::FILE* file, const SyncRecordContent& content) {
  bool written = true;
  FormatSyncRecord(content, [&](std::string_view piece) {
    written = written && WriteTextModeBytes(file, piece);
  });
  return written;
}

// The replace, tried again while Windows refuses it because another process holds the
// record: the host's plug-in reading it, an indexer, a virus scanner, which mostly hold
// it for moments. Any other failure is final at once.
bool ReplaceRecord(const std::u16string& temporary, const std::u16string& record) {
  const auto until = std::chrono::steady_clock::now() + kReplaceRetryTime;
  for (;;) {
    const MoveResult result = MoveFileReplacing(temporary, record);
    if (result == MoveResult::kMoved) return true;
    if (result == MoveResult::kFailed || std::chrono::steady_clock::now() >= until) return false;
    std::this_thread::sleep_for(kReplaceRetryStep);
  }
}

// The record written over the one in place, for a holder that does not let go: readers
// that share writing, as the C runtime's mode "r", the standard streams and scanners do,
// allow it where they forbid the replace. The old record is longer, perhaps, so the file
// is cut where the new one ends.
// True only for a complete and closed record; a failure may leave it incomplete.
bool WriteInPlace(const SyncRecordContent& content, const std::u16string& record) {
  std::FILE* file = OpenFile(record, "rb+");
  if (!file) file = OpenFile(record, "wb");
  if (!file) return false;
  const bool written = WriteRecordText(file, content) && CutFileHere(file);
  const bool closed = CloseFile(file);
  return written && closed;
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
    AppendBracketed(text, static_cast<std::int32_t>(solid.id));
    text += " TimeStamp: ";
    AppendBracketed(text, static_cast<std::int32_t>(solid.time_stamp));
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
  const std::u16string record = MakeExchangeFilePath(kRecordName);
  std::FILE* file = OpenFile(temporary, "wb");
  // A temporary record that cannot be made (the one removed last time while a scanner
  // held it stays until the scanner lets go) must not stop the record.
  if (!file) {
    return WriteInPlace(content, record) ||
           Fail(temporary, false, "cannot create " + NarrowLatin1(temporary));
  }
  const bool written = WriteRecordText(file, content);
  const bool closed = CloseFile(file);
  if (!written) return Fail(temporary, true, "cannot write " + NarrowLatin1(temporary));
  if (!closed) return Fail(temporary, true, "cannot close " + NarrowLatin1(temporary));
  if (ReplaceRecord(temporary, record)) return true;
  RemoveFile(temporary);
  return WriteInPlace(content, record) ||
         Fail(temporary, false, "cannot replace " + NarrowLatin1(record));
}

}  // namespace tarnwick
