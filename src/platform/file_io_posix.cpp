#include <sys/stat.h>
#include <unistd.h>

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
  return std::fopen(NativePathForDisplay(path).c_str(), mode);
}

std::FILE* OpenFileSharedRead(const std::u16string& path) { return OpenFile(path, "rb"); }

bool IsReadWriteAccessible(const std::u16string& path) {
  return access(NativePathForDisplay(path).c_str(), R_OK | W_OK) == 0;
}

bool FileExists(const std::u16string& path) {
  struct stat st;
  return stat(NativePathForDisplay(path).c_str(), &st) == 0;
}

bool RemoveFile(const std::u16string& path) {
  return std::remove(NativePathForDisplay(path).c_str()) == 0;
}

bool CopyFileNoOverwrite(const std::u16string& from, const std::u16string& to) {
  if (FileExists(to)) return false;
  std::FILE* in = OpenFile(from, "rb");
  if (!in) return false;
  std::FILE* out = OpenFile(to, "wbx");
  if (!out) {
    std::fclose(in);
    return false;
  }
  char buffer[65536];
  bool ok = true;
  for (;;) {
    const std::size_t n = std::fread(buffer, 1, sizeof buffer, in);
    if (n == 0) break;
    if (std::fwrite(buffer, 1, n, out) != n) {
      ok = false;
      break;
    }
  }
  if (std::ferror(in)) ok = false;
  std::fclose(in);
  if (std::fclose(out) != 0) ok = false;
  if (!ok) RemoveFile(to);
  return ok;
}

bool SeekFile(std::FILE* file, std::int64_t offset, int origin) {
  return fseeko(file, static_cast<off_t>(offset), origin) == 0;
}

std::int64_t TellFile(std::FILE* file) { return static_cast<std::int64_t>(ftello(file)); }

}  // namespace tarnwick
