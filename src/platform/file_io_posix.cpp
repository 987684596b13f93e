#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
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
  std::FILE* file = std::fopen(NativePathForDisplay(path).c_str(), mode);
  // POSIX opens a folder for reading, where Windows refuses to open one as a file:
  // a folder in a file's place is not found on both.
  struct stat status {};
  if (file != nullptr && fstat(fileno(file), &status) == 0 && S_ISDIR(status.st_mode)) {
    std::fclose(file);
    errno = EISDIR;
    return nullptr;
  }
  return file;
}

bool FileExists(const std::u16string& path) {
  struct stat st;
  return stat(NativePathForDisplay(path).c_str(), &st) == 0;
}

bool RemoveFile(const std::u16string& path) {
  if (FileCallFails(FileCall::kRemove)) return false;
  return std::remove(NativePathForDisplay(path).c_str()) == 0;
}

MoveResult MoveFileReplacing(const std::u16string& from, const std::u16string& to) {
  if (FileCallFails(FileCall::kRename)) return MoveResult::kRefused;
  if (std::rename(NativePathForDisplay(from).c_str(), NativePathForDisplay(to).c_str()) == 0) {
    return MoveResult::kMoved;
  }
  // POSIX renames over files that others hold open; only a file in use as a mount point refuses.
  return errno == EBUSY ? MoveResult::kRefused : MoveResult::kFailed;
}

bool CutFileHere(std::FILE* file) {
  if (FileCallFails(FileCall::kTruncate)) return false;
  if (std::fflush(file) != 0) return false;
  const off_t end = ftello(file);
  return end >= 0 && ftruncate(fileno(file), end) == 0;
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
