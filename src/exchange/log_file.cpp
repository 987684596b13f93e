#include "exchange/log_file.h"

#include <cstdio>
#include <ctime>

#include "exchange/exchange_folder.h"
#include "protocol/protocol.h"
#include "platform/file_io.h"
#include "platform/text.h"
#include "platform/utc_clock.h"

namespace tarnwick {

namespace {

constexpr std::int64_t kRotationLimit = 100000;

bool g_narrow_checked = false;
bool g_wide_checked = false;

std::int64_t MeasureLog(const std::u16string& path) {
  std::FILE* file = OpenFile(path, "rb");
  if (!file) return 0;
  std::int64_t size = 0;
  if (SeekFile(file, 0, SEEK_END)) size = TellFile(file);
  std::fclose(file);
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

void CheckRotationOnce(bool& checked, const std::u16string& path) {
  if (checked) return;
  if (MeasureLog(path) > kRotationLimit) RotateLog(path);
  checked = true;
}

void AppendEntry(const char* stamp_format, const std::string& message) {
  const std::u16string path = MakeExchangeFilePath(protocol::kLogFile.view());
  std::FILE* file = OpenFile(path, "ab");
  if (!file) return;
  std::tm now{};
  std::string line;
  if (CurrentUtcTime(now)) {
    char stamp[64];
    const std::size_t n = std::strftime(stamp, sizeof stamp, stamp_format, &now);
    line = "[" + std::string(stamp, n) + "]: " + message + "\n";
  } else {
    line = message + "\n";
  }
  // Written as a Windows text-mode stream would store it, on every platform.
  WriteTextModeBytes(file, line);
  std::fclose(file);
}

}  // namespace

void WriteLog(std::string message) {
  CheckRotationOnce(g_narrow_checked, MakeExchangeFilePath(protocol::kLogFile.view()));
  AppendEntry("%Y. %m. %d - %H:%M:%S", message);
}

void WriteLogW(std::u16string message) {
  CheckRotationOnce(g_wide_checked, MakeExchangeFilePath(protocol::kLogFile.view()));
  AppendEntry("%Y/%m/%d %H:%M:%S", NarrowLatin1(message));
}

void ResetLogRotationFlags() {
  g_narrow_checked = false;
  g_wide_checked = false;
}

}  // namespace tarnwick
