// Everything the handler needs is prepared at start-up in static storage: once an
// exception nobody handles has happened, the heap may be broken and any lock may
// be held by the thread that broke it. The log entry comes first, written with no
// allocation at all; the dump follows on a fresh thread (the crashed one may
// have no stack left), and only then may the loader and the heap be needed.
#include "app/crash_report.h"

#include <windows.h>
#include <dbghelp.h>

#include <algorithm>
#include <exception>
#include <string>
#include <string_view>

#include "app/crash_site.h"
#include "exchange/crash_entry.h"
#include "exchange/exchange_folder.h"
#include "platform/long_path.h"
#include "protocol/protocol.h"

namespace tarnwick::app {

namespace {

// Paths longer than this are not prepared: no entry, no dump (the log itself is written
// elsewhere then, which the entry would not find anyway).
constexpr std::size_t kPathCapacity = 2048;
// How long the entry waits for the log's lock before it appends without it.
constexpr DWORD kLogLockWaitMs = 500;
// How long the crashed thread waits for the dump; the host must not wait for ever.
constexpr DWORD kDumpWaitMs = 20000;
// Dumps looked at when the oldest are removed (a folder holds only a few).
constexpr std::size_t kDumpsLookedAt = 64;
const wchar_t kDbgHelp[] = L"dbghelp.dll";

struct Prepared {
  wchar_t log_path[kPathCapacity] = {};
  wchar_t lock_name[kPathCapacity] = {};
  wchar_t dump_folder[kPathCapacity] = {};  // ends with a separator; empty: no dumps
  std::size_t dump_folder_length = 0;
  wchar_t dump_pattern[kPathCapacity] = {};
  HMODULE own_module = nullptr;
  char own_name[MAX_PATH] = {};
};

Prepared g_prepared;
char g_entry[kCrashEntryCapacity];
wchar_t g_dump_path[kPathCapacity];
wchar_t g_dump_names[kDumpsLookedAt][kCrashDumpNameCapacity];
const char16_t* g_dump_order[kDumpsLookedAt];
CrashFacts g_facts;
EXCEPTION_POINTERS* g_pointers = nullptr;
DWORD g_crashed_thread = 0;
// The thread that runs the bridge's work and sets its activity.
DWORD g_bridge_thread = 0;
// The thread that reports, and the one that writes the dump: a fault in either ends the
// process at once; another thread's fault waits until the report has ended the process.
volatile LONG g_reporter = 0;
volatile LONG g_dump_writer = 0;

bool CopyPath(const std::u16string& path, wchar_t* out) {
  if (path.size() + 1 > kPathCapacity) return false;
  std::copy(path.begin(), path.end(), out);
  out[path.size()] = L'\0';
  return true;
}

void Append(wchar_t* out, std::size_t at, const char16_t* text) {
  while (*text != 0 && at + 1 < kPathCapacity) out[at++] = static_cast<wchar_t>(*text++);
  out[at] = L'\0';
}

// The dumps' folder in the form that a whole dump path needs: a path long enough for the
// extended-length prefix has it.
void PrepareDumpFolder(const std::u16string& folder) {
  if (folder.empty()) return;  // no exchange folder: nothing is written into the host's
  const std::u16string model_name = u"Tarnwick-crash-00000000-000000-4294967295.dmp";
  const std::u16string whole = ExtendedLengthPath(MakeExchangeFilePath(model_name));
  const std::size_t length = whole.size() - model_name.size();
  if (!CopyPath(whole.substr(0, length), g_prepared.dump_folder)) return;
  g_prepared.dump_folder_length = length;
  Append(g_prepared.dump_pattern, 0, reinterpret_cast<const char16_t*>(g_prepared.dump_folder));
  Append(g_prepared.dump_pattern, length, kCrashDumpPrefix);
  std::size_t at = length + std::char_traits<char16_t>::length(kCrashDumpPrefix);
  Append(g_prepared.dump_pattern, at++, u"*");
  Append(g_prepared.dump_pattern, at, kCrashDumpExtension);
}

void PrepareOwnName() {
  g_prepared.own_module = GetModuleHandleW(nullptr);
  wchar_t path[MAX_PATH] = {};
  const DWORD n = GetModuleFileNameW(g_prepared.own_module, path, MAX_PATH);
  const wchar_t* name = path;
  for (DWORD i = 0; i < n; ++i) {
    if (path[i] == L'\\' || path[i] == L'/') name = path + i + 1;
  }
  std::size_t at = 0;
  for (; name[at] != 0 && at + 1 < sizeof g_prepared.own_name; ++at) {
    g_prepared.own_name[at] = name[at] < 0x80 ? static_cast<char>(name[at]) : '?';
  }
  g_prepared.own_name[at] = '\0';
}

CrashTime TimeNow() {
  SYSTEMTIME now{};
  GetSystemTime(&now);
  return {now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond};
}

// Under the log's lock, as every entry is; a lock that stays held (by a process that hangs
// in the middle of an entry) delays the entry only briefly.
void AppendToLog(const char* text, std::size_t length) {
  if (g_prepared.log_path[0] == L'\0') return;
  const HANDLE lock = CreateMutexW(nullptr, FALSE, g_prepared.lock_name);
  const DWORD wait = lock != nullptr ? WaitForSingleObject(lock, kLogLockWaitMs) : WAIT_FAILED;
  const HANDLE file = CreateFileW(g_prepared.log_path, FILE_APPEND_DATA,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file != INVALID_HANDLE_VALUE) {
    DWORD written = 0;
    WriteFile(file, text, static_cast<DWORD>(length), &written, nullptr);
    CloseHandle(file);
  }
  if (wait == WAIT_OBJECT_0 || wait == WAIT_ABANDONED) ReleaseMutex(lock);
  if (lock != nullptr) CloseHandle(lock);
}

// Removes all but the newest dumps (their names sort by time).
void RemoveOldDumps() {
  WIN32_FIND_DATAW found{};
  const HANDLE find = FindFirstFileW(g_prepared.dump_pattern, &found);
  if (find == INVALID_HANDLE_VALUE) return;
  std::size_t count = 0;
  do {
    const std::size_t length = wcsnlen(found.cFileName, MAX_PATH);
    // The pattern matches short names too: only whole dump names take part.
    const std::u16string_view name(reinterpret_cast<const char16_t*>(found.cFileName), length);
    if (length >= kCrashDumpNameCapacity || count == kDumpsLookedAt ||
        !name.starts_with(kCrashDumpPrefix)) {
      continue;
    }
    std::copy(found.cFileName, found.cFileName + length + 1, g_dump_names[count]);
    g_dump_order[count] = reinterpret_cast<const char16_t*>(g_dump_names[count]);
    ++count;
  } while (FindNextFileW(find, &found));
  FindClose(find);
  SortNewestFirst(std::span<const char16_t*>(g_dump_order, count));
  for (std::size_t i = kCrashDumpsKept; i < count; ++i) {
    g_dump_path[g_prepared.dump_folder_length] = L'\0';
    Append(g_dump_path, g_prepared.dump_folder_length, g_dump_order[i]);
    DeleteFileW(g_dump_path);
  }
}

// Threads and their stacks, no heap: a dump of some hundred KiB.
bool WriteDump() {
  using WriteFunction = decltype(&MiniDumpWriteDump);
  // From the system's folder only: never a library of that name beside the program.
  const HMODULE library = LoadLibraryExW(kDbgHelp, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
  const auto write = library == nullptr ? nullptr
      : reinterpret_cast<WriteFunction>(
            reinterpret_cast<void*>(GetProcAddress(library, "MiniDumpWriteDump")));
  if (write == nullptr) return false;
  const HANDLE file = CreateFileW(g_dump_path, GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                  CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  MINIDUMP_EXCEPTION_INFORMATION exception{g_crashed_thread, g_pointers, FALSE};
  const BOOL written = write(GetCurrentProcess(), GetCurrentProcessId(), file, MiniDumpNormal,
                             &exception, nullptr, nullptr);
  CloseHandle(file);
  if (!written) DeleteFileW(g_dump_path);
  return written != FALSE;
}

DWORD WINAPI DumpThread(void*) {
  InterlockedExchange(&g_dump_writer, static_cast<LONG>(GetCurrentThreadId()));
  if (WriteDump()) RemoveOldDumps();
  return 0;
}

void WriteDumpOnOwnThread(const CrashTime& time) {
  if (g_prepared.dump_folder_length == 0) return;
  std::copy(g_prepared.dump_folder, g_prepared.dump_folder + g_prepared.dump_folder_length + 1,
            g_dump_path);
  char16_t* name = reinterpret_cast<char16_t*>(g_dump_path + g_prepared.dump_folder_length);
  if (FormatCrashDumpName(time, GetCurrentProcessId(), name,
                          kPathCapacity - g_prepared.dump_folder_length) == 0) {
    return;
  }
  const HANDLE thread = CreateThread(nullptr, 0, &DumpThread, nullptr, 0, nullptr);
  if (thread == nullptr) return;
  WaitForSingleObject(thread, kDumpWaitMs);
  CloseHandle(thread);
}

void Report(EXCEPTION_POINTERS* pointers) {
  const EXCEPTION_RECORD& record = *pointers->ExceptionRecord;
  g_facts.code = record.ExceptionCode;
  if (record.ExceptionCode == EXCEPTION_ACCESS_VIOLATION && record.NumberParameters >= 2) {
    g_facts.access = static_cast<int>(record.ExceptionInformation[0]);
    g_facts.access_address = record.ExceptionInformation[1];
  }
  g_facts.activity = g_activity;
  // The part's name belongs to the bridge's thread, which goes on running while another
  // thread's crash is reported, and may free it: only that thread's own crash names it.
  if (GetCurrentThreadId() != g_bridge_thread) g_facts.activity.part = nullptr;
  FindCrashSite(*pointers->ContextRecord, g_prepared.own_module, g_prepared.own_name, g_facts);
  const CrashTime time = TimeNow();
  AppendToLog(g_entry, FormatCrashEntry(g_facts, time, g_entry, sizeof g_entry));
  g_pointers = pointers;
  g_crashed_thread = GetCurrentThreadId();
  WriteDumpOnOwnThread(time);
}

LONG WINAPI OnUnhandledException(EXCEPTION_POINTERS* pointers) {
  const auto code = static_cast<UINT>(pointers->ExceptionRecord->ExceptionCode);
  // No fault box of Windows' error reporting either, whatever happens from here on.
  SetErrorMode(GetErrorMode() | SEM_NOGPFAULTERRORBOX);
  const auto self = static_cast<LONG>(GetCurrentThreadId());
  const LONG reporter = InterlockedCompareExchange(&g_reporter, self, 0);
  if (reporter == self || g_dump_writer == self) TerminateProcess(GetCurrentProcess(), code);
  if (reporter != 0) {
    // Another thread reports and then ends the process; this one must not end it sooner.
    Sleep(kDumpWaitMs + 2 * kLogLockWaitMs);
    TerminateProcess(GetCurrentProcess(), code);
  }
  Report(pointers);
  TerminateProcess(GetCurrentProcess(), code);
  return EXCEPTION_EXECUTE_HANDLER;
}

// An exception nobody caught, a throw out of a noexcept function: the runtime would abort
// with a message box; this raises a crash instead.
[[noreturn]] void OnTerminate() {
  RaiseException(kTerminateExceptionCode, EXCEPTION_NONCONTINUABLE, 0, nullptr);
  TerminateProcess(GetCurrentProcess(), kTerminateExceptionCode);
  for (;;) Sleep(INFINITE);
}

}  // namespace

void InstallCrashReport() {
  g_bridge_thread = GetCurrentThreadId();
  PrepareOwnName();
  const std::u16string folder = GetExchangeFolder();
  CopyPath(ExtendedLengthPath(MakeExchangeFilePath(protocol::kLogFile.view())),
           g_prepared.log_path);
  CopyPath(std::u16string(protocol::kLogLock.view()), g_prepared.lock_name);
  PrepareDumpFolder(folder);
  ActivityStep::Set("starting");
  SetUnhandledExceptionFilter(&OnUnhandledException);
  std::set_terminate(&OnTerminate);
}

}  // namespace tarnwick::app
