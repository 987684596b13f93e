#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "platform/file_io.h"
#include "platform/file_io_failure.h"
#include "platform/text.h"

namespace tarnwick {

void NoteSystemFailure() { NoteErrnoFailure(errno); }

std::string NativePathForDisplay(const std::u16string& path) {
  std::string native = Utf8FromUtf16(path);
  for (char& c : native) {
    if (c == '\\') c = '/';
  }
  return native;
}

std::FILE* OpenFile(const std::u16string& path, const char* mode) {
  if (HookFails(FileCall::kOpen)) return nullptr;
  std::FILE* file = std::fopen(NativePathForDisplay(path).c_str(), mode);
  if (file == nullptr) NoteSystemFailure();
  // POSIX opens a folder for reading, where Windows refuses to open one as a file:
  // a folder in a file's place is not found on both.
  struct stat status {};
  if (file != nullptr && fstat(fileno(file), &status) == 0 && S_ISDIR(status.st_mode)) {
    std::fclose(file);
    errno = EISDIR;
    NoteSystemFailure();
    return nullptr;
  }
  return file;
}

bool FileExists(const std::u16string& path) {
  struct stat st;
  return stat(NativePathForDisplay(path).c_str(), &st) == 0;
}

bool RemoveFile(const std::u16string& path) {
  if (HookFails(FileCall::kRemove)) return false;
  if (std::remove(NativePathForDisplay(path).c_str()) == 0) return true;
  NoteSystemFailure();
  return false;
}

MoveResult MoveFileReplacing(const std::u16string& from, const std::u16string& to) {
  if (HookFails(FileCall::kRename)) return MoveResult::kRefused;
  if (std::rename(NativePathForDisplay(from).c_str(), NativePathForDisplay(to).c_str()) == 0) {
    return MoveResult::kMoved;
  }
  NoteSystemFailure();
  // POSIX renames over files that others hold open; only a file in use as a mount point refuses.
  return errno == EBUSY ? MoveResult::kRefused : MoveResult::kFailed;
}

bool CutFileHere(std::FILE* file) {
  if (HookFails(FileCall::kTruncate)) return false;
  const off_t end = std::fflush(file) == 0 ? ftello(file) : -1;
  if (end >= 0 && ftruncate(fileno(file), end) == 0) return true;
  NoteSystemFailure();
  return false;
}

// posix_fallocate gives the bytes their room on the volume (a plain ftruncate would leave a
// hole that a full disk fails to fill later).
bool ExtendFile(std::FILE* file, std::int64_t length) {
  if (HookFails(FileCall::kExtend)) return false;
  if (std::fflush(file) != 0) {
    NoteSystemFailure();
    return false;
  }
  struct stat status {};
  if (fstat(fileno(file), &status) != 0) {
    NoteSystemFailure();
    return false;
  }
  if (status.st_size >= length) return true;
  const int error = posix_fallocate(fileno(file), 0, static_cast<off_t>(length));
  if (error == 0) return true;
  NoteErrnoFailure(error);
  return false;
}

bool SeekFile(std::FILE* file, std::int64_t offset, int origin) {
  if (HookFails(FileCall::kSeek)) return false;
  if (fseeko(file, static_cast<off_t>(offset), origin) == 0) return true;
  NoteSystemFailure();
  return false;
}

std::int64_t TellFile(std::FILE* file) {
  if (HookFails(FileCall::kSeek)) return -1;
  const off_t at = ftello(file);
  if (at < 0) NoteSystemFailure();
  return static_cast<std::int64_t>(at);
}

}  // namespace tarnwick
