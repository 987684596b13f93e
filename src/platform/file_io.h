// Files by wide path: every file the program opens goes through OpenFile. On
// Windows other processes may go on reading, writing, renaming and deleting a
// file that the program holds open, and paths of 260 characters or more are
// made normal and get the extended-length prefix; on POSIX the path is opened
// as UTF-8 with every '\' turned into '/', so the portable code and its tests
// run natively.
#pragma once

#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <string_view>

namespace tarnwick {

// Opens a file with a C stdio mode ("rb", "rb+", "wb", "wb+", "ab", "wbx" creates only); null on failure.
std::FILE* OpenFile(const std::u16string& path, const char* mode);

// Reads up to n bytes; `got` tells how many arrived. False on a read error (the end is none).
bool ReadFileBytes(std::FILE* file, void* out, std::size_t n, std::size_t& got);

// Writes n bytes; false unless all of them were written.
bool WriteFileBytes(std::FILE* file, const void* data, std::size_t n);

// Pushes buffered bytes to the system; false on failure.
bool FlushFile(std::FILE* file);

// Closes the file in any case; false when buffered bytes could not be written.
bool CloseFile(std::FILE* file);

// True when something exists at the path.
bool FileExists(const std::u16string& path);

// Removes a file; false when it could not be removed.
bool RemoveFile(const std::u16string& path);

// Copies a file; fails without touching anything when the target already exists.
bool CopyFileNoOverwrite(const std::u16string& from, const std::u16string& to);

// What became of a replacing move.
enum class MoveResult {
  kMoved,    // `from` now has the name `to`
  kRefused,  // another process holds one of the files; on Windows a sharing violation or
             // access denied: it may go through once that process lets go
  kFailed,   // anything else
};

// Gives `from` the name `to` in one step, replacing a file there.
MoveResult MoveFileReplacing(const std::u16string& from, const std::u16string& to);

// Ends the file where the stream stands, after pushing its buffered bytes; false on failure.
bool CutFileHere(std::FILE* file);

// Makes the file at least `length` bytes long, after pushing its buffered bytes, with room
// on the volume for every new byte: a full disk fails here, before anything is written in
// them. The new bytes' content is not defined; the stream's position stays.
bool ExtendFile(std::FILE* file, std::int64_t length);

// Why a call of the file layer failed, as far as the program acts on it.
enum class FileError {
  kNone,
  kRefused,   // another process holds the file (on Windows a sharing or lock violation, or
              // access denied): it may go through once that process lets go
  kNoRoom,    // the volume is full, or the file may not be that long there
  kNotFound,  // the file or its folder is not there, or the path names none
  kOther,
};

// The last failure of a file call on this thread: what kind, and the system's number for it
// (0 when the test hook made the call fail).
struct FileFailure {
  FileError error = FileError::kNone;
  int system_code = 0;
};
FileFailure LastFileFailure();

// A few words for a log line: "no room on the volume (system error 112)".
std::string DescribeFileFailure(const FileFailure& failure);

// Seeks with a 64-bit offset; false on failure.
bool SeekFile(std::FILE* file, std::int64_t offset, int origin);

// The 64-bit position of the stream, or -1.
std::int64_t TellFile(std::FILE* file);

// Writes narrow text as a Windows text-mode stream stores it (every LF becomes CR LF); false
// unless all of it was written.
bool WriteTextModeBytes(std::FILE* file, std::string_view text);

// The path as the platform's file functions see it (for messages and tests).
std::string NativePathForDisplay(const std::u16string& path);

}  // namespace tarnwick
