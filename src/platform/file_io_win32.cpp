#include <windows.h>
#include <io.h>
#include <share.h>

#include "platform/file_io.h"
#include "platform/text.h"

static_assert(sizeof(wchar_t) == sizeof(char16_t), "UTF-16 text meets wchar_t at the boundary");

namespace tarnwick {

namespace {

const wchar_t* Wide(const std::u16string& text) {
  return reinterpret_cast<const wchar_t*>(text.c_str());
}

std::wstring WideMode(const char* mode) {
  std::wstring out;
  for (const char* p = mode; *p; ++p) out.push_back(static_cast<wchar_t>(*p));
  return out;
}

}  // namespace

std::string NativePathForDisplay(const std::u16string& path) { return Utf8FromUtf16(path); }

std::FILE* OpenFile(const std::u16string& path, const char* mode) {
  std::FILE* file = nullptr;
  if (_wfopen_s(&file, Wide(path), WideMode(mode).c_str()) != 0) return nullptr;
  return file;
}

std::FILE* OpenFileSharedRead(const std::u16string& path) {
  return _wfsopen(Wide(path), L"rb", _SH_DENYNO);
}

bool IsReadWriteAccessible(const std::u16string& path) {
  return _waccess_s(Wide(path), 6) == 0;
}

bool FileExists(const std::u16string& path) { return _waccess_s(Wide(path), 0) == 0; }

bool RemoveFile(const std::u16string& path) { return _wremove(Wide(path)) == 0; }

bool CopyFileNoOverwrite(const std::u16string& from, const std::u16string& to) {
  return CopyFileW(Wide(from), Wide(to), TRUE) != 0;
}

bool SeekFile(std::FILE* file, std::int64_t offset, int origin) {
  return _fseeki64(file, offset, origin) == 0;
}

std::int64_t TellFile(std::FILE* file) { return _ftelli64(file); }

}  // namespace tarnwick
