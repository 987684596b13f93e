#include <windows.h>
#include <fcntl.h>
#include <io.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>

#include "platform/file_io.h"
#include "platform/file_io_failure.h"
#include "platform/long_path.h"
#include "platform/text.h"

static_assert(sizeof(wchar_t) == sizeof(char16_t), "UTF-16 text meets wchar_t at the boundary");

namespace tarnwick {

namespace {

// Other processes keep every right on a file the program holds: the host
// rewrites its model files, and every process of the program appends to the log.
constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

// What a stdio mode asks of CreateFileW and of the C runtime's descriptor.
struct OpenMode {
  DWORD access = 0;
  DWORD disposition = 0;
  int descriptor_flags = 0;
  std::string stdio_mode;  // the mode without "x", which _fdopen does not know
};

bool ParseMode(const char* mode, OpenMode& out) {
  const std::string text(mode);
  if (text.empty()) return false;
  const bool update = text.find('+') != std::string::npos;
  const bool exclusive = text.find('x') != std::string::npos;
  switch (text[0]) {
    case 'r':
      out.access = GENERIC_READ | (update ? GENERIC_WRITE : 0);
      out.disposition = OPEN_EXISTING;
      out.descriptor_flags = update ? 0 : _O_RDONLY;
      break;
    case 'w':
      out.access = GENERIC_WRITE | (update ? GENERIC_READ : 0);
      out.disposition = exclusive ? CREATE_NEW : CREATE_ALWAYS;
      break;
    case 'a':
      out.access = GENERIC_WRITE | (update ? GENERIC_READ : 0);
      out.disposition = OPEN_ALWAYS;
      out.descriptor_flags = _O_APPEND;
      break;
    default:
      return false;
  }
  for (char c : text) {
    if (c != 'x') out.stdio_mode.push_back(c);
  }
  return true;
}

// The path as Windows makes it normal for a call without the prefix. GetFullPathNameW
// takes paths of any length and only reads the text, never the disk; should it fail,
// the portable rule does the same for the usual cases.
std::u16string FullPathOf(std::u16string_view path) {
  const std::wstring wide(path.begin(), path.end());
  const DWORD size = GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr);
  if (size == 0) return NormalisedPath(path);
  std::wstring full(size, L'\0');
  const DWORD length = GetFullPathNameW(wide.c_str(), size, full.data(), nullptr);
  if (length == 0 || length >= size) return NormalisedPath(path);
  return std::u16string(full.begin(), full.begin() + length);
}

std::wstring NativePath(const std::u16string& path) {
  const std::u16string extended = ExtendedLengthPath(path, &FullPathOf);
  return std::wstring(extended.begin(), extended.end());
}

// Notes why a Windows call has just failed, from its GetLastError number.
void NoteWindowsFailure(DWORD error) {
  FileError kind = FileError::kOther;
  switch (error) {
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
    case ERROR_ACCESS_DENIED:
    case ERROR_USER_MAPPED_FILE:
      kind = FileError::kRefused;
      break;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
    case ERROR_FILE_TOO_LARGE:
      kind = FileError::kNoRoom;
      break;
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_NAME:
    case ERROR_BAD_PATHNAME:
    case ERROR_INVALID_DRIVE:
    case ERROR_BAD_NETPATH:
    case ERROR_DIRECTORY:
      kind = FileError::kNotFound;
      break;
    default:
      break;
  }
  NoteFileFailure(kind, static_cast<int>(error));
}

HANDLE HandleOf(std::FILE* file) { return reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(file))); }

}  // namespace

// The C runtime keeps the system's number of a failed call in _doserrno and its own in errno.
void NoteSystemFailure() {
  const unsigned long system = _doserrno;
  if (system != 0) {
    NoteWindowsFailure(system);
  } else {
    NoteErrnoFailure(errno);
  }
}

std::string NativePathForDisplay(const std::u16string& path) { return Utf8FromUtf16(path); }

std::FILE* OpenFile(const std::u16string& path, const char* mode) {
  if (HookFails(FileCall::kOpen)) return nullptr;
  OpenMode open;
  if (!ParseMode(mode, open)) {
    NoteFileFailure(FileError::kOther, 0);
    return nullptr;
  }
  const HANDLE handle = CreateFileW(NativePath(path).c_str(), open.access, kShareAll, nullptr,
                                    open.disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) {
    NoteWindowsFailure(GetLastError());
    return nullptr;
  }
  const int descriptor = _open_osfhandle(reinterpret_cast<intptr_t>(handle), open.descriptor_flags);
  if (descriptor == -1) {
    NoteErrnoFailure(errno);
    CloseHandle(handle);
    return nullptr;
  }
  // From here the descriptor owns the handle.
  std::FILE* file = _fdopen(descriptor, open.stdio_mode.c_str());
  if (!file) {
    NoteErrnoFailure(errno);
    _close(descriptor);
    return nullptr;
  }
  if (open.stdio_mode.find('b') != std::string::npos) _setmode(descriptor, _O_BINARY);
  return file;
}

bool FileExists(const std::u16string& path) { return _waccess_s(NativePath(path).c_str(), 0) == 0; }

bool RemoveFile(const std::u16string& path) {
  if (HookFails(FileCall::kRemove)) return false;
  if (DeleteFileW(NativePath(path).c_str())) return true;
  NoteWindowsFailure(GetLastError());
  return false;
}

MoveResult MoveFileReplacing(const std::u16string& from, const std::u16string& to) {
  if (HookFails(FileCall::kRename)) return MoveResult::kRefused;
  const std::wstring target = NativePath(to);
  if (MoveFileExW(NativePath(from).c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING)) {
    return MoveResult::kMoved;
  }
  // Windows refuses to replace a file that any other handle holds open, whatever that
  // handle shares (access denied), and to move one held without delete sharing
  // (sharing violation): both pass once the other process lets go. A folder or a
  // read-only file in the target's place is refused with access denied too, for good.
  const DWORD error = GetLastError();
  NoteWindowsFailure(error);
  const DWORD attributes = GetFileAttributesW(target.c_str());
  const bool for_good = attributes != INVALID_FILE_ATTRIBUTES &&
                        (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY)) != 0;
  return LastFileFailure().error == FileError::kRefused && !for_good ? MoveResult::kRefused
                                                                     : MoveResult::kFailed;
}

bool CutFileHere(std::FILE* file) {
  if (HookFails(FileCall::kTruncate)) return false;
  if (std::fflush(file) != 0) {
    NoteSystemFailure();
    return false;
  }
  FILE_END_OF_FILE_INFO end{};
  end.EndOfFile.QuadPart = _ftelli64(file);
  if (end.EndOfFile.QuadPart >= 0 &&
      SetFileInformationByHandle(HandleOf(file), FileEndOfFileInfo, &end, sizeof end)) {
    return true;
  }
  NoteWindowsFailure(GetLastError());
  return false;
}

// Zeros from `from` up to `to`, written at their offsets (the handle's position moves).
bool WriteZeros(HANDLE handle, std::int64_t from, std::int64_t to) {
  static constexpr DWORD kChunk = 64 * 1024;
  static const char kZeros[kChunk] = {};
  for (std::int64_t at = from; at < to;) {
    const auto n = static_cast<DWORD>(std::min<std::int64_t>(kChunk, to - at));
    OVERLAPPED where{};
    where.Offset = static_cast<DWORD>(at);
    where.OffsetHigh = static_cast<DWORD>(at >> 32);
    DWORD written = 0;
    if (!WriteFile(handle, kZeros, n, &written, &where)) return false;
    // A volume that takes part of the bytes is full: the next write says so, or none is taken.
    if (written == 0) {
      SetLastError(ERROR_DISK_FULL);
      return false;
    }
    at += written;
  }
  return true;
}

// The room is asked for (the allocation); where the system cannot be asked (Wine, some
// file systems), the new bytes are written as zeros, which takes their room on any. Moving
// the end alone would not do everywhere: Wine makes a sparse file of it.
bool ExtendFile(std::FILE* file, std::int64_t length) {
  if (HookFails(FileCall::kExtend)) return false;
  if (std::fflush(file) != 0) {
    NoteSystemFailure();
    return false;
  }
  const HANDLE handle = HandleOf(file);
  LARGE_INTEGER size{};
  LARGE_INTEGER position{};
  if (!GetFileSizeEx(handle, &size) || !SetFilePointerEx(handle, {}, &position, FILE_CURRENT)) {
    NoteWindowsFailure(GetLastError());
    return false;
  }
  if (size.QuadPart >= length) return true;
  FILE_ALLOCATION_INFO room{};
  room.AllocationSize.QuadPart = length;
  bool extended = SetFileInformationByHandle(handle, FileAllocationInfo, &room, sizeof room);
  const DWORD refused = extended ? ERROR_SUCCESS : GetLastError();
  if (refused == ERROR_CALL_NOT_IMPLEMENTED || refused == ERROR_INVALID_FUNCTION ||
      refused == ERROR_NOT_SUPPORTED || refused == ERROR_INVALID_PARAMETER) {
    extended = WriteZeros(handle, size.QuadPart, length);
  }
  FILE_END_OF_FILE_INFO end{};
  end.EndOfFile.QuadPart = length;
  extended = extended && SetFileInformationByHandle(handle, FileEndOfFileInfo, &end, sizeof end);
  if (!extended) NoteWindowsFailure(GetLastError());
  SetFilePointerEx(handle, position, nullptr, FILE_BEGIN);
  return extended;
}

bool SeekFile(std::FILE* file, std::int64_t offset, int origin) {
  if (HookFails(FileCall::kSeek)) return false;
  if (_fseeki64(file, offset, origin) == 0) return true;
  NoteSystemFailure();
  return false;
}

std::int64_t TellFile(std::FILE* file) {
  if (HookFails(FileCall::kSeek)) return -1;
  const std::int64_t at = _ftelli64(file);
  if (at < 0) NoteSystemFailure();
  return at;
}

}  // namespace tarnwick
