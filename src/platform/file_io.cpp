#include "platform/file_io.h"

#include "platform/file_call_hook.h"

namespace tarnwick {

bool WriteTextModeBytes(std::FILE* file, std::string_view text) {
  std::string out;
  out.reserve(text.size() + text.size() / 16 + 2);
  // Whole runs between line ends are appended at once: a record of many short lines
  // costs a search and two appends per line, not a test per character.
  std::size_t from = 0;
  for (std::size_t end = text.find('\n'); end != std::string_view::npos;
       from = end + 1, end = text.find('\n', from)) {
    out.append(text.substr(from, end - from));
    out += "\r\n";
  }
  out.append(text.substr(from));
  return WriteFileBytes(file, out.data(), out.size());
}

bool ReadFileBytes(std::FILE* file, void* out, std::size_t n, std::size_t& got) {
  got = 0;
  if (FileCallFails(FileCall::kRead)) return false;
  got = std::fread(out, 1, n, file);
  return got == n || std::ferror(file) == 0;
}

bool WriteFileBytes(std::FILE* file, const void* data, std::size_t n) {
  if (FileCallFails(FileCall::kWrite)) return false;
  return std::fwrite(data, 1, n, file) == n;
}

bool FlushFile(std::FILE* file) {
  if (FileCallFails(FileCall::kWrite)) return false;
  return std::fflush(file) == 0;
}

bool CloseFile(std::FILE* file) {
  // The file is closed even when the hook fails the call: a test must not leak it.
  const bool failed = FileCallFails(FileCall::kClose);
  return std::fclose(file) == 0 && !failed;
}

// The copy is made through OpenFile on every platform, so that it shares the
// files as every other open does, and "x" makes sure that an existing target is
// never touched.
bool CopyFileNoOverwrite(const std::u16string& from, const std::u16string& to) {
  if (FileCallFails(FileCall::kCopy)) return false;
  std::FILE* in = OpenFile(from, "rb");
  if (!in) return false;
  std::FILE* out = OpenFile(to, "wbx");
  if (!out) {
    CloseFile(in);
    return false;
  }
  static constexpr std::size_t kCopyChunk = 65536;
  std::string buffer(kCopyChunk, '\0');
  bool ok = true;
  for (;;) {
    std::size_t n = 0;
    ok = ReadFileBytes(in, buffer.data(), buffer.size(), n);
    if (!ok || n == 0) break;
    ok = WriteFileBytes(out, buffer.data(), n);
    if (!ok) break;
  }
  CloseFile(in);
  if (!CloseFile(out)) ok = false;
  if (!ok) RemoveFile(to);
  return ok;
}

}  // namespace tarnwick
