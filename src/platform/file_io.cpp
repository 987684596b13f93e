#include "platform/file_io.h"

#include <cerrno>

#include "platform/file_io_failure.h"

namespace tarnwick {

namespace {

thread_local FileFailure g_last_failure;

}  // namespace

void NoteFileFailure(FileError error, int system_code) { g_last_failure = {error, system_code}; }

void NoteErrnoFailure(int error) {
  FileError kind = FileError::kOther;
  switch (error) {
    case ENOSPC:
    case EFBIG:
#ifdef EDQUOT
    case EDQUOT:
#endif
      kind = FileError::kNoRoom;
      break;
    case EACCES:
    case EBUSY:
      kind = FileError::kRefused;
      break;
    case ENOENT:
    case ENOTDIR:
    case EINVAL:
    case ENAMETOOLONG:
      kind = FileError::kNotFound;
      break;
    default:
      break;
  }
  NoteFileFailure(kind, error);
}

bool HookFails(FileCall call) {
  if (!FileCallFails(call)) return false;
  NoteFileFailure(call == FileCall::kRename ? FileError::kRefused : FileError::kOther, 0);
  return true;
}

FileFailure LastFileFailure() { return g_last_failure; }

std::string DescribeFileFailure(const FileFailure& failure) {
  std::string text;
  switch (failure.error) {
    case FileError::kNone: text = "no reason given"; break;
    case FileError::kRefused: text = "another program holds it"; break;
    case FileError::kNoRoom: text = "no room on the volume"; break;
    case FileError::kNotFound: text = "it or its folder is not there"; break;
    case FileError::kOther: text = "the system refused it"; break;
  }
  if (failure.system_code != 0) text += " (system error " + std::to_string(failure.system_code) + ")";
  return text;
}

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
  if (HookFails(FileCall::kRead)) return false;
  got = std::fread(out, 1, n, file);
  if (got == n || std::ferror(file) == 0) return true;
  NoteSystemFailure();
  return false;
}

bool WriteFileBytes(std::FILE* file, const void* data, std::size_t n) {
  if (HookFails(FileCall::kWrite)) return false;
  if (std::fwrite(data, 1, n, file) == n) return true;
  NoteSystemFailure();
  return false;
}

bool FlushFile(std::FILE* file) {
  if (HookFails(FileCall::kWrite)) return false;
  if (std::fflush(file) == 0) return true;
  NoteSystemFailure();
  return false;
}

bool CloseFile(std::FILE* file) {
  // The file is closed even when the hook fails the call: a test must not leak it.
  const bool failed = HookFails(FileCall::kClose);
  if (std::fclose(file) == 0) return !failed;
  NoteSystemFailure();
  return false;
}

// The copy is made through OpenFile on every platform, so that it shares the
// files as every other open does, and "x" makes sure that an existing target is
// never touched.
bool CopyFileNoOverwrite(const std::u16string& from, const std::u16string& to) {
  if (HookFails(FileCall::kCopy)) return false;
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
