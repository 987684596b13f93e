// Processes of the program writing the log at once, under Wine. Two rotating: the first
// finds the log over the limit and is held up just after measuring it, until
// the second has started its own entry. Without the log's named mutex the
// second would rotate the log in between, and the first would then remove that
// fresh backup: the older log would be lost.
#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "exchange/log_file.h"
#include "platform/file_call_hook.h"
#include "protocol/protocol.h"

namespace tarnwick {
namespace {

namespace fs = std::filesystem;

constexpr wchar_t kMeasuredEvent[] = L"TarnwickLogTest_Measured";
constexpr wchar_t kQuickStartedEvent[] = L"TarnwickLogTest_QuickStarted";
constexpr DWORD kEventWaitMs = 15000;
// Long enough for the second process to measure and rotate if it could.
constexpr DWORD kHoldUpMs = 500;
constexpr char kSlowMode[] = "--slow-writer";
constexpr char kQuickMode[] = "--quick-writer";
constexpr char kLockedOutMode[] = "--locked-out-writer";
constexpr wchar_t kFirstWrittenEvent[] = L"TarnwickLogTest_FirstWritten";
constexpr wchar_t kLockFreeEvent[] = L"TarnwickLogTest_LockFree";

HANDLE Event(const wchar_t* name) { return CreateEventW(nullptr, TRUE, FALSE, name); }

// The named event, cleared of what an earlier test left set.
HANDLE ClearedEvent(const wchar_t* name) {
  const HANDLE event = Event(name);
  ResetEvent(event);
  return event;
}

// The first close of the slow writer ends its measuring of the log.
bool HoldUpAfterMeasuring(FileCall call) {
  static bool held = false;
  if (call != FileCall::kClose || held) return false;
  held = true;
  SetEvent(Event(kMeasuredEvent));
  WaitForSingleObject(Event(kQuickStartedEvent), kEventWaitMs);
  Sleep(kHoldUpMs);
  return false;
}

int RunWriter(const std::string& mode) {
  if (mode == kLockedOutMode) {
    WriteLog("first");
    SetEvent(Event(kFirstWrittenEvent));
    if (WaitForSingleObject(Event(kLockFreeEvent), kEventWaitMs) != WAIT_OBJECT_0) return 1;
    WriteLog("second");
  } else if (mode == kSlowMode) {
    SetFileCallHook(&HoldUpAfterMeasuring);
    WriteLog("slow");
  } else {
    SetEvent(Event(kQuickStartedEvent));
    WriteLogW(u"quick");
  }
  return 0;
}

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

HANDLE StartWriter(const char* mode) {
  wchar_t self[MAX_PATH];
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  std::wstring command = L"\"" + std::wstring(self) + L"\" " + std::wstring(mode, mode + strlen(mode));
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info{};
  if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                      &info)) {
    return nullptr;
  }
  CloseHandle(info.hThread);
  return info.hProcess;
}

bool EndedWell(HANDLE process) {
  DWORD code = 1;
  const bool ended = WaitForSingleObject(process, kEventWaitMs) == WAIT_OBJECT_0 &&
                     GetExitCodeProcess(process, &code) && code == 0;
  CloseHandle(process);
  return ended;
}

// A fresh exchange folder below a fresh APPDATA, for this process and the writers it starts.
fs::path FreshExchangeFolder(fs::path& appdata) {
  appdata = fs::temp_directory_path() / ("tarnwick-log-" + std::to_string(GetCurrentProcessId()) +
                                         "-" + std::to_string(GetTickCount64()));
  const fs::path folder = appdata / "Brevane" / "Corvella2026_D5Plugin" / "Data";
  fs::create_directories(folder);
  SetEnvironmentVariableW(L"APPDATA", appdata.wstring().c_str());
  return folder;
}

// A log one byte past the size at which the next entry rotates it; returns its text.
std::string WriteLogDueForRotation(const fs::path& folder) {
  const std::string older(100001, 'n');
  std::ofstream(folder / "D5_Log.log", std::ios::binary) << older;
  return older;
}

TEST(LogFileWineTest, TwoProcessesRotatingAtOnceLoseNothing) {
  fs::path appdata;
  const fs::path folder = FreshExchangeFolder(appdata);
  const std::string older = WriteLogDueForRotation(folder);
  const HANDLE measured = ClearedEvent(kMeasuredEvent);
  const HANDLE quick_started = ClearedEvent(kQuickStartedEvent);

  const HANDLE slow = StartWriter(kSlowMode);
  ASSERT_NE(slow, nullptr);
  ASSERT_EQ(WaitForSingleObject(measured, kEventWaitMs), WAIT_OBJECT_0);
  const HANDLE quick = StartWriter(kQuickMode);
  ASSERT_NE(quick, nullptr);
  EXPECT_TRUE(EndedWell(slow));
  EXPECT_TRUE(EndedWell(quick));

  EXPECT_TRUE(ReadFile(folder / "D5_Log.logOld") == older);
  const std::string log = ReadFile(folder / "D5_Log.log");
  EXPECT_NE(log.find("]: slow\r\n"), std::string::npos) << log.size();
  EXPECT_NE(log.find("]: quick\r\n"), std::string::npos) << log.size();
  EXPECT_LT(log.size(), 100u);
  CloseHandle(measured);
  CloseHandle(quick_started);
  std::error_code ec;
  fs::remove_all(appdata, ec);
}

// Another process holds the log's lock past the wait (hung, or stopped in a debugger): a
// writer appends its entry all the same but does not rotate the log it could not measure
// alone, and, having had its one chance per process, does not rotate it later either.
TEST(LogFileWineTest, ALockHeldElsewhereLetsEntriesInWithoutRotating) {
  fs::path appdata;
  const fs::path folder = FreshExchangeFolder(appdata);
  const std::string older = WriteLogDueForRotation(folder);
  const std::u16string name(protocol::kLogLock.view());
  // Taken by waiting: a mutex that already exists is not owned by asking for it at creation.
  const HANDLE lock = CreateMutexW(nullptr, FALSE, std::wstring(name.begin(), name.end()).c_str());
  ASSERT_NE(lock, nullptr);
  ASSERT_EQ(WaitForSingleObject(lock, kEventWaitMs), WAIT_OBJECT_0);
  const HANDLE first_written = ClearedEvent(kFirstWrittenEvent);
  const HANDLE lock_free = ClearedEvent(kLockFreeEvent);

  const HANDLE writer = StartWriter(kLockedOutMode);
  ASSERT_NE(writer, nullptr);
  EXPECT_EQ(WaitForSingleObject(first_written, kEventWaitMs), WAIT_OBJECT_0);
  EXPECT_EQ(ReadFile(folder / "D5_Log.log").substr(0, older.size()), older);
  ReleaseMutex(lock);
  CloseHandle(lock);
  SetEvent(lock_free);
  EXPECT_TRUE(EndedWell(writer));

  EXPECT_FALSE(fs::exists(folder / "D5_Log.logOld"));
  const std::string log = ReadFile(folder / "D5_Log.log");
  ASSERT_TRUE(log.starts_with(older)) << log.size();
  const std::string entries = log.substr(older.size());
  const std::size_t first = entries.find("]: first\r\n");
  const std::size_t second = entries.find("]: second\r\n");
  EXPECT_NE(first, std::string::npos) << entries;
  EXPECT_NE(second, std::string::npos) << entries;
  EXPECT_LT(first, second) << entries;
  CloseHandle(first_written);
  CloseHandle(lock_free);
  std::error_code ec;
  fs::remove_all(appdata, ec);
}

}  // namespace
}  // namespace tarnwick

int main(int argc, char** argv) {
  if (argc == 2 && (std::string(argv[1]) == tarnwick::kSlowMode || std::string(argv[1]) == tarnwick::kQuickMode ||
                    std::string(argv[1]) == tarnwick::kLockedOutMode)) {
    return tarnwick::RunWriter(argv[1]);
  }
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
