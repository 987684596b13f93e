#include <windows.h>
#include <fcntl.h>
#include <io.h>

#include "platform/file_call_hook.h"
#include "platform/file_io.h"
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

}  // namespace

std::string NativePathForDisplay(const std::u16string& path) { return Utf8FromUtf16(path); }

std::FILE* OpenFile(const std::u16string& path, const char* mode) {
  if (FileCallFails(FileCall::kOpen)) return nullptr;
  OpenMode open;
  if (!ParseMode(mode, open)) return nullptr;
  const HANDLE handle = CreateFileW(NativePath(path).c_str(), open.access, kShareAll, nullptr,
                                    open.disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return nullptr;
  const int descriptor = _open_osfhandle(reinterpret_cast<intptr_t>(handle), open.descriptor_flags);
  if (descriptor == -1) {
    CloseHandle(handle);
    return nullptr;
  }
  // From here the descriptor owns the handle.
  std::FILE* file = _fdopen(descriptor, open.stdio_mode.c_str());
  if (!file) {
    _close(descriptor);
    return nullptr;
  }
  if (open.stdio_mode.find('b') != std::string::npos) _setmode(descriptor, _O_BINARY);
  return file;
}

bool FileExists(const std::u16string& path) { return _waccess_s(NativePath(path).c_str(), 0) == 0; }

bool RemoveFile(const std::u16string& path) {
  if (FileCallFails(FileCall::kRemove)) return false;
  return _wremove(NativePath(path).c_str()) == 0;
}

MoveResult MoveFileReplacing(const std::u16string& from, const std::u16string& to) {
  if (FileCallFails(FileCall::kRename)) return MoveResult::kRefused;
  if (MoveFileExW(NativePath(from).c_str(), NativePath(to).c_str(), MOVEFILE_REPLACE_EXISTING)) {
    return MoveResult::kMoved;
  }
  // Windows refuses to replace a file that any other handle holds open, whatever that
  // handle shares (access denied), and to move one held without delete sharing
  // (sharing violation): both pass once the other process lets go.
  const DWORD error = GetLastError();
  return error == ERROR_ACCESS_DENIED || error == ERROR_SHARING_VIOLATION ||
                 error == ERROR_LOCK_VIOLATION
             ? MoveResult::kRefused
             : MoveResult::kFailed;
}

bool CutFileHere(std::FILE* file) {
  if (FileCallFails(FileCall::kTruncate)) return false;
  if (std::fflush(file) != 0) return false;
  LARGE_INTEGER end;
  end.QuadPart = _ftelli64(file);
  const auto handle = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(file)));
  return end.QuadPart >= 0 && handle != INVALID_HANDLE_VALUE &&
         SetFilePointerEx(handle, end, nullptr, FILE_BEGIN) && SetEndOfFile(handle);
}

bool SeekFile(std::FILE* file, std::int64_t offset, int origin) {
  if (FileCallFails(FileCall::kSeek)) return false;
  return _fseeki64(file, offset, origin) == 0;
}

std::int64_t TellFile(std::FILE* file) {
  if (FileCallFails(FileCall::kSeek)) return -1;
  return _ftelli64(file);
}

}  // namespace tarnwick
