// Files by wide path. On Windows the path goes to the wide C runtime calls; on
// POSIX it is opened as UTF-8 with every '\' turned into '/', so the portable
// code and its tests run natively.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

namespace tarnwick {

// Opens a file with a C stdio mode ("rb", "rb+", "wb+", "ab", ...); null on failure.
std::FILE* OpenFile(const std::u16string& path, const char* mode);

// Opens a file for binary reading while other processes may go on reading and writing it.
std::FILE* OpenFileSharedRead(const std::u16string& path);

// True when the file exists and may be both read and written.
bool IsReadWriteAccessible(const std::u16string& path);

// True when something exists at the path.
bool FileExists(const std::u16string& path);

// Removes a file; false when it could not be removed.
bool RemoveFile(const std::u16string& path);

// Copies a file; fails without touching anything when the target already exists.
bool CopyFileNoOverwrite(const std::u16string& from, const std::u16string& to);

// Seeks with a 64-bit offset; false on failure.
bool SeekFile(std::FILE* file, std::int64_t offset, int origin);

// The 64-bit position of the stream, or -1.
std::int64_t TellFile(std::FILE* file);

// Writes narrow text as a Windows text-mode stream stores it: every LF becomes CR LF.
void WriteTextModeBytes(std::FILE* file, std::string_view text);

// The path as the platform's file functions see it (for messages and tests).
std::string NativePathForDisplay(const std::u16string& path);

}  // namespace tarnwick
