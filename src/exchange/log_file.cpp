#include "exchange/log_file.h"

#include <cstdio>
#include <ctime>

#include "exchange/exchange_folder.h"
#include "protocol/protocol.h"
#include "platform/file_io.h"
#include "platform/named_lock.h"
#include "platform/text.h"
#include "platform/utc_clock.h"

namespace tarnwick {

namespace {

constexpr std::int64_t kRotationLimit = 100000;
constexpr std::u16string_view kLogName = protocol::kLogFile.view();
// Every process of the program measures, rotates and appends to the log under
// this one lock, so that no process rotates a log that another has just
// rotated, and no entry falls between a copy and a removal.
constexpr std::u16string_view kLogLockName = protocol::kLogLock.view();
// The lock is held for a few milliseconds; a process that cannot have it in
// this time still appends its entry, but does not rotate.
constexpr std::uint32_t kLogLockWaitMs = 2000;

bool g_narrow_checked = false;
bool g_wide_checked = false;

std::int64_t MeasureLog(const std::u16string& path) {
  std::FILE* file = OpenFile(path, "rb");
  if (!file) return 0;
  std::int64_t size = 0;
  if (SeekFile(file, 0, SEEK_END)) size = TellFile(file);
  CloseFile(file);
  return size < 0 ? 0 : size;
}

// The log is removed only once its copy is safely in the backup: a backup that
// cannot be replaced or a failed copy leaves the log as it is, to be appended to.
void RotateLog(const std::u16string& path) {
  const std::u16string backup = path + protocol::kLogBackupSuffix.wide;
  if (FileExists(backup) && !RemoveFile(backup)) return;
  if (!CopyFileNoOverwrite(path, backup)) return;
  RemoveFile(path);
}

void CheckRotationOnce(bool& checked, const std::u16string& path, bool locked) {
  if (checked) return;
  if (locked && MeasureLog(path) > kRotationLimit) RotateLog(path);
  checked = true;
}

void AppendEntry(const std::u16string& path, const char* stamp_format, const std::string& message) {
  std::FILE* file = OpenFile(path, "ab");
  if (!file) return;
  std::tm now{};
  std::string line;
  if (CurrentUtcTime(now)) {
    char stamp[64];
    const std::size_t n = std::strftime(stamp, sizeof stamp, stamp_format, &now);
    line += '[';
    line.append(stamp, n);
    line += "]: ";
    line += message;
    line += '\n';
  } else {
    line = message + "\n";
  }
  // Written as a Windows text-mode stream would store it, on every platform.
  WriteTextModeBytes(file, line);
  CloseFile(file);
}

void WriteEntry(bool& checked, const char* stamp_format, const std::string& message) {
  const std::u16string path = MakeExchangeFilePath(kLogName);
  const NamedLock lock(std::u16string(kLogLockName), kLogLockWaitMs);
  CheckRotationOnce(checked, path, lock.owns_lock());
  AppendEntry(path, stamp_format, message);
}

}  // namespace

void WriteLog(std::string message) { WriteEntry(g_narrow_checked, "%Y. %m. %d - %H:%M:%S", message); }

void WriteLogW(std::u16string message) {
  WriteEntry(g_wide_checked, "%Y/%m/%d %H:%M:%S", NarrowLatin1(message));
}

void ResetLogRotationFlags() {
  g_narrow_checked = false;
  g_wide_checked = false;
}

}  // namespace tarnwick
