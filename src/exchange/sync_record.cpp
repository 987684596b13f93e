#include "exchange/sync_record.h"

#include <algorithm>
#include <cstring>
#include <chrono>
#include <cstdio>
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
constexpr std::string_view kFileLineEnd = "\r\n";
// How long a replace that another holder refuses is tried again, and the pause between
// tries. A failure of any other kind is final at once.
constexpr std::chrono::milliseconds kReplaceRetryTime{1000};
constexpr std::chrono::milliseconds kReplaceRetryStep{50};
// Bytes of a line at most: "ID3D: [] TimeStamp: []", two numbers of at most eleven
// characters and a line end; the material line's words beyond its name.
constexpr std::size_t kSolidLineBytes = 48;
constexpr std::size_t kMaterialLineBytes = 72;

// "cannot <what> <path><more>: <why>", for the failure the file layer has just had.
std::string Failure(std::string_view what, const std::u16string& path, std::string_view more = {}) {
  return "cannot " + std::string(what) + " " + NarrowLatin1(path) + std::string(more) + ": " +
         DescribeFileFailure(LastFileFailure());
}

// " <before><n><after>": a length in a reason (appended: GCC 12 warns wrongly on operator+).
std::string WithLength(std::string_view before, std::int64_t n, std::string_view after) {
  std::string text(before);
  text += std::to_string(n);
  text += after;
  return text;
}

bool LogFailure(const std::string& reason) {
  WriteLog(std::string(kErrorPrefix) + reason);
  return false;
}

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
  char* end = WriteDecimal(digits + 1, value);
  *end++ = ']';
  text.append(digits, end);
}

// The record goes out in pieces of about this size, each of whole lines, formatted into one
// buffer: a record of 200,000 solids is some 6 MB, which the file gets as it is made.
constexpr std::size_t kPieceBytes = std::size_t{256} << 10;

// Hands the record's bytes to emit(piece) in pieces, until it returns false; the lines end
// with CR LF with `crlf`, else with LF. False when emit refused a piece.
template <typename Emit>
bool EmitRecord(const SyncRecordContent& content, bool crlf, Emit emit) {
  const std::string_view line_end = crlf ? kFileLineEnd : std::string_view("\n");
  std::string piece;
  piece.reserve(kPieceBytes + kMaterialLineBytes);
  piece += "SourceProject: ";
  AppendBracketed(piece, content.project);
  piece += line_end;
  // The solid lines are written straight into the buffer, one per solid held.
  std::size_t size = piece.size();
  piece.resize(kPieceBytes);
  for (const SyncSolidLine& solid : content.solids) {
    if (kPieceBytes - size < kSolidLineBytes) {
      if (!emit(std::string_view(piece.data(), size))) return false;
      size = 0;
    }
    // Copies of a known length: a few stores each, not a call.
    char* out = piece.data() + size;
    std::memcpy(out, "ID3D: [", 7);
    out = WriteDecimal(out + 7, static_cast<std::int32_t>(solid.id));
    std::memcpy(out, "] TimeStamp: [", 14);
    out = WriteDecimal(out + 14, static_cast<std::int32_t>(solid.time_stamp));
    *out++ = ']';
    if (crlf) *out++ = '\r';
    *out++ = '\n';
    size = static_cast<std::size_t>(out - piece.data());
  }
  piece.resize(size);
  for (const SyncMaterialLine& material : content.materials) {
    if (piece.size() >= kPieceBytes) {
      if (!emit(std::string_view(piece))) return false;
      piece.clear();
    }
    piece += "Material: ";
    AppendBracketed(piece, *material.name);
    piece += " TimeStamp: ";
    AppendBracketed(piece, material.time_id);
    piece += " MatIndex: ";
    AppendBracketed(piece, material.index);
    piece += line_end;
  }
  return emit(std::string_view(piece));
}

enum class Temporary { kWritten, kNotMade, kNotWritten };

// The temporary record, whole and closed; on failure the reason, and no temporary record.
Temporary WriteTemporary(const SyncRecordContent& content, const std::u16string& temporary,
                         std::string& reason) {
  std::FILE* file = OpenFile(temporary, "wb");
  if (!file) {
    reason = Failure("create", temporary);
    return Temporary::kNotMade;
  }
  const bool written = EmitRecord(content, true, [file](std::string_view piece) {
    return WriteFileBytes(file, piece.data(), piece.size());
  });
  if (!written) reason = Failure("write", temporary);
  const bool closed = CloseFile(file);
  if (written && !closed) reason = Failure("close", temporary);
  if (written && closed) return Temporary::kWritten;
  RemoveFile(temporary);
  return Temporary::kNotWritten;
}

// The replace, tried again while Windows refuses it because another process holds the
// record: the host's plug-in reading it, an indexer, a virus scanner, which mostly hold
// it for moments. A hard failure (the folder gone, an invalid path, a folder in the
// record's place) is final at once; the reason is set unless the record was replaced.
MoveResult ReplaceRecord(const std::u16string& temporary, const std::u16string& record,
                         std::string& reason) {
  const auto until = std::chrono::steady_clock::now() + kReplaceRetryTime;
  for (;;) {
    const MoveResult result = MoveFileReplacing(temporary, record);
    if (result == MoveResult::kMoved) return result;
    if (result == MoveResult::kFailed || std::chrono::steady_clock::now() >= until) {
      reason = Failure("replace", record);
      return result;
    }
    std::this_thread::sleep_for(kReplaceRetryStep);
  }
}

// The record's own file for writing in place, or a new one where there is none; never a
// record cut to nothing before the new one is known to fit.
std::FILE* OpenInPlace(const std::u16string& record, bool& created, std::string& reason) {
  created = false;
  std::FILE* file = OpenFile(record, "rb+");
  if (!file && LastFileFailure().error == FileError::kNotFound) {
    file = OpenFile(record, "wbx");
    created = file != nullptr;
  }
  if (!file) reason = Failure("open", record);
  return file;
}

// Cuts the file back to the old record's length after a failure, best effort.
void CutBack(std::FILE* file, std::int64_t old_length) {
  if (SeekFile(file, old_length, SEEK_SET)) CutFileHere(file);
}

// The record written over the one in place, for a holder that does not let go: readers
// that share writing, as the C runtime's mode "r", the standard streams and scanners do,
// allow it where they forbid the replace. Before any byte of the old record changes, the
// file is made as long as the new one, so that a full disk fails with the old record
// whole; a failure up to the write leaves it the old length again. The old record may be
// longer: the file is cut where the new one ends.
bool WriteInPlace(const std::string& bytes, const std::u16string& record, std::string& reason) {
  bool created = false;
  std::FILE* file = OpenInPlace(record, created, reason);
  if (!file) return false;
  const std::int64_t old_length = SeekFile(file, 0, SEEK_END) ? TellFile(file) : -1;
  const auto new_length = static_cast<std::int64_t>(bytes.size());
  bool done = false;
  if (old_length < 0) {
    reason = Failure("measure", record);
  } else if (!ExtendFile(file, new_length)) {
    reason = Failure("make", record, WithLength(" ", new_length, " bytes long"));
    CutBack(file, old_length);
  } else if (!SeekFile(file, 0, SEEK_SET) || !WriteFileBytes(file, bytes.data(), bytes.size())) {
    reason = Failure("write", record, " in place");
    CutBack(file, old_length);
  } else if (!CutFileHere(file)) {
    reason = Failure("cut", record, WithLength(" to ", new_length, " bytes"));
  } else {
    done = true;
  }
  if (!CloseFile(file) && done) {
    reason = Failure("close", record);
    done = false;
  }
  if (!done && created) RemoveFile(record);
  return done;
}

}  // namespace

std::string FormatSyncRecord(const SyncRecordContent& content, bool crlf) {
  std::string text;
  EmitRecord(content, crlf, [&text](std::string_view piece) {
    text += piece;
    return true;
  });
  return text;
}

std::string SyncRecordBytes(const SyncRecordContent& content) {
  return FormatSyncRecord(content, true);
}

bool WriteSyncRecord(const SyncRecordContent& content) {
  const std::u16string temporary = MakeExchangeFilePath(kTemporaryName);
  const std::u16string record = MakeExchangeFilePath(kRecordName);
  // A temporary record that cannot be made (the one removed last time while a scanner held
  // it stays until the scanner lets go), or a replace that the record's holder refuses,
  // leaves the write in place. One that cannot be written (a full disk), or a replace that
  // fails for good, keeps the old record: writing in place could not do better.
  std::string detour;
  const Temporary made = WriteTemporary(content, temporary, detour);
  if (made == Temporary::kNotWritten) return LogFailure(detour);
  if (made == Temporary::kWritten) {
    const MoveResult replaced = ReplaceRecord(temporary, record, detour);
    if (replaced == MoveResult::kMoved) return true;
    RemoveFile(temporary);
    if (replaced == MoveResult::kFailed) return LogFailure(detour);
  }
  std::string reason;
  if (WriteInPlace(SyncRecordBytes(content), record, reason)) return true;
  return LogFailure(reason + " (in place, after: " + detour + ")");
}

}  // namespace tarnwick
