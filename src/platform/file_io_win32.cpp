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

std::wstring NativePath(const std::u16string& path) {
  const std::u16string extended = ExtendedLengthPath(path);
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

bool MoveFileReplacing(const std::u16string& from, const std::u16string& to) {
  if (FileCallFails(FileCall::kRename)) return false;
  return MoveFileExW(NativePath(from).c_str(), NativePath(to).c_str(), MOVEFILE_REPLACE_EXISTING) != 0;
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
