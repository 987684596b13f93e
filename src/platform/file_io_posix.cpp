#include <sys/stat.h>

#include <cstdio>

#include "platform/file_call_hook.h"
#include "platform/file_io.h"
#include "platform/text.h"

namespace tarnwick {

std::string NativePathForDisplay(const std::u16string& path) {
  std::string native = Utf8FromUtf16(path);
  for (char& c : native) {
    if (c == '\\') c = '/';
  }
  return native;
}

std::FILE* OpenFile(const std::u16string& path, const char* mode) {
  if (FileCallFails(FileCall::kOpen)) return nullptr;
  return std::fopen(NativePathForDisplay(path).c_str(), mode);
}

bool FileExists(const std::u16string& path) {
  struct stat st;
  return stat(NativePathForDisplay(path).c_str(), &st) == 0;
}

bool RemoveFile(const std::u16string& path) {
  if (FileCallFails(FileCall::kRemove)) return false;
  return std::remove(NativePathForDisplay(path).c_str()) == 0;
}

bool MoveFileReplacing(const std::u16string& from, const std::u16string& to) {
  if (FileCallFails(FileCall::kRename)) return false;
  return std::rename(NativePathForDisplay(from).c_str(), NativePathForDisplay(to).c_str()) == 0;
}

bool SeekFile(std::FILE* file, std::int64_t offset, int origin) {
  if (FileCallFails(FileCall::kSeek)) return false;
  return fseeko(file, static_cast<off_t>(offset), origin) == 0;
}

std::int64_t TellFile(std::FILE* file) {
  if (FileCallFails(FileCall::kSeek)) return -1;
  return static_cast<std::int64_t>(ftello(file));
}

}  // namespace tarnwick
