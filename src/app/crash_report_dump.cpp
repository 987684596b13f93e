// The dump's writer and the crashed thread share a small state, changed only by
// interlocked exchanges: the writer marks the dump written or failed, the
// crashed thread marks it abandoned when the wait runs out. Whichever comes
// second knows the outcome, and an abandoned dump is marked for deletion on its
// own handle, so that the process's end removes it and no part of a dump is
// left with a dump's name.
#include "app/crash_report_dump.h"

#include <dbghelp.h>

#include <algorithm>
#include <string_view>

#include "exchange/exchange_folder.h"
#include "platform/long_path.h"

namespace tarnwick::app {

namespace {

// Paths longer than this are not prepared: no dumps.
constexpr std::size_t kPathCapacity = 2048;
// Not regular files: never taken for dumps, whatever their names.
constexpr DWORD kNotRegular =
    FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DEVICE;
const wchar_t kDbgHelp[] = L"dbghelp.dll";

enum DumpState : LONG { kRunning = 0, kWritten = 1, kFailed = 2, kAbandoned = 3 };

wchar_t g_folder[kPathCapacity];  // ends with a separator; empty: no dumps
std::size_t g_folder_length = 0;
wchar_t g_pattern[kPathCapacity];
wchar_t g_dump_path[kPathCapacity];
wchar_t g_old_path[kPathCapacity];
const char16_t* g_dump_name = nullptr;  // inside g_dump_path
DWORD g_crashed_thread = 0;
EXCEPTION_POINTERS* g_pointers = nullptr;
volatile LONG g_state = kRunning;
volatile LONG g_writer = 0;
HANDLE volatile g_file = INVALID_HANDLE_VALUE;

// `folder` followed by `name` in `out`; false when it does not fit.
bool Join(const wchar_t* folder, std::size_t length, std::u16string_view name, wchar_t* out) {
  if (length + name.size() + 1 > kPathCapacity) return false;
  std::copy(folder, folder + length, out);
  std::copy(name.begin(), name.end(), out + length);
  out[length + name.size()] = L'\0';
  return true;
}

// The file goes when its last handle closes: at the latest when the process ends.
void MarkForDeletion(HANDLE file) {
  FILE_DISPOSITION_INFO disposition{TRUE};
  SetFileInformationByHandle(file, FileDispositionInfo, &disposition, sizeof disposition);
}

// Keeps the newest dumps with the new one; removes the rest as the folder lists them.
void RemoveOldDumps() {
  WIN32_FIND_DATAW found{};
  const HANDLE find = FindFirstFileW(g_pattern, &found);
  if (find == INVALID_HANDLE_VALUE) return;
  OlderDumpsKept kept;
  do {
    const std::u16string_view name(reinterpret_cast<const char16_t*>(found.cFileName),
                                   wcsnlen(found.cFileName, MAX_PATH));
    // The pattern matches short names and other forms too: only the bridge's own dumps count.
    if ((found.dwFileAttributes & kNotRegular) != 0 || !IsCrashDumpName(name) ||
        name == g_dump_name) {
      continue;
    }
    const std::u16string_view old = kept.TakeIn(name);
    if (!old.empty() && Join(g_folder, g_folder_length, old, g_old_path)) DeleteFileW(g_old_path);
  } while (FindNextFileW(find, &found));
  FindClose(find);
}

// Threads and their stacks, no heap: a dump of some hundred KiB. Returns the state it ends in.
LONG WriteDump() {
  using WriteFunction = decltype(&MiniDumpWriteDump);
  using InitializeFunction = decltype(&SymInitializeW);
  // From the system's folder only: never a library of that name beside the program.
  const HMODULE library = LoadLibraryExW(kDbgHelp, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
  const auto write = library == nullptr ? nullptr
      : reinterpret_cast<WriteFunction>(
            reinterpret_cast<void*>(GetProcAddress(library, "MiniDumpWriteDump")));
  if (write == nullptr) return kFailed;
  // Wine's dbghelp starts the symbol handler for a process that has none, loading every
  // module's symbols first: seconds. Started here without them, the dump takes a fraction
  // of that; on Windows the dump does not use the symbol handler at all.
  const auto initialize = reinterpret_cast<InitializeFunction>(
      reinterpret_cast<void*>(GetProcAddress(library, "SymInitializeW")));
  if (initialize != nullptr) initialize(GetCurrentProcess(), nullptr, FALSE);
  const HANDLE file = CreateFileW(g_dump_path, GENERIC_READ | GENERIC_WRITE | DELETE, 0, nullptr,
                                  CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return kFailed;
  InterlockedExchangePointer(const_cast<HANDLE*>(&g_file), file);
  if (g_state == kAbandoned) MarkForDeletion(file);  // the crashed thread may not have seen it
  MINIDUMP_EXCEPTION_INFORMATION exception{g_crashed_thread, g_pointers, FALSE};
  const BOOL written = write(GetCurrentProcess(), GetCurrentProcessId(), file, MiniDumpNormal,
                             &exception, nullptr, nullptr);
  const LONG state = written ? kWritten : kFailed;
  if (InterlockedCompareExchange(&g_state, state, kRunning) != kRunning || !written) {
    MarkForDeletion(file);
  }
  CloseHandle(file);
  return state;
}

DWORD WINAPI DumpThread(void*) {
  InterlockedExchange(&g_writer, static_cast<LONG>(GetCurrentThreadId()));
  const LONG state = WriteDump();
  InterlockedCompareExchange(&g_state, state, kRunning);  // a failure before the file
  if (g_state == kWritten) RemoveOldDumps();
  return 0;
}

}  // namespace

void PrepareCrashDumps(const std::u16string& folder) {
  if (folder.empty()) return;  // no exchange folder: nothing is written into the host's
  // The dumps' folder in the form that a whole dump path needs: a path long enough for the
  // extended-length prefix has it.
  const std::u16string model_name = u"Tarnwick-crash-00000000-000000-4294967295.dmp";
  const std::u16string whole = ExtendedLengthPath(MakeExchangeFilePath(model_name));
  const std::size_t length = whole.size() - model_name.size();
  const std::u16string pattern = std::u16string(kCrashDumpPrefix) + u"*" + kCrashDumpExtension;
  const auto* folder_text = reinterpret_cast<const wchar_t*>(whole.c_str());
  if (!Join(folder_text, length, u"", g_folder) ||
      !Join(folder_text, length, pattern, g_pattern)) {
    g_folder[0] = L'\0';
    return;
  }
  g_folder_length = length;
}

CrashDumpOutcome WriteCrashDump(const CrashTime& time, DWORD crashed_thread,
                                EXCEPTION_POINTERS* pointers, const char16_t*& name) {
  if (g_folder_length == 0) return CrashDumpOutcome::kFailed;
  std::copy(g_folder, g_folder + g_folder_length + 1, g_dump_path);
  auto* dump_name = reinterpret_cast<char16_t*>(g_dump_path + g_folder_length);
  if (FormatCrashDumpName(time, GetCurrentProcessId(), dump_name,
                          kPathCapacity - g_folder_length) == 0) {
    return CrashDumpOutcome::kFailed;
  }
  name = g_dump_name = dump_name;
  g_crashed_thread = crashed_thread;
  g_pointers = pointers;
  const HANDLE thread = CreateThread(nullptr, 0, &DumpThread, nullptr, 0, nullptr);
  if (thread == nullptr) return CrashDumpOutcome::kFailed;
  WaitForSingleObject(thread, kCrashDumpWaitMs);
  CloseHandle(thread);
  if (InterlockedCompareExchange(&g_state, kAbandoned, kRunning) == kRunning) {
    const HANDLE file = InterlockedCompareExchangePointer(const_cast<HANDLE*>(&g_file), nullptr,
                                                          nullptr);
    if (file != INVALID_HANDLE_VALUE) MarkForDeletion(file);
    return CrashDumpOutcome::kUnfinished;
  }
  return g_state == kWritten ? CrashDumpOutcome::kWritten : CrashDumpOutcome::kFailed;
}

bool IsCrashDumpThread(DWORD thread) {
  return thread != 0 && g_writer == static_cast<LONG>(thread);
}

}  // namespace tarnwick::app
