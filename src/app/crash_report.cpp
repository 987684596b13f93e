// Everything the handler needs is prepared at start-up in static storage: once an
// exception nobody handles has happened, the heap may be broken and any lock may
// be held by the thread that broke it. The first entry comes before anything
// else, written with no allocation from what the exception record and the
// bridge's own activity record say; only then are the loaded images read for
// the crash site (another's memory, which a fault in the handler may cost: the
// first entry stays), and only then may the loader and the heap be needed, for
// the dump on a fresh thread.
#include "app/crash_report.h"

#include <windows.h>

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <exception>
#include <string>

#include "app/crash_report_dump.h"
#include "app/crash_site.h"
#include "exchange/crash_entry.h"
#include "exchange/exchange_folder.h"
#include "platform/long_path.h"
#include "protocol/protocol.h"

namespace tarnwick::app {

namespace {

// Paths longer than this are not prepared: no entry (the log itself is written elsewhere
// then, which the entry would not find anyway).
constexpr std::size_t kPathCapacity = 2048;
// How long each entry waits for the log's lock before it appends without it.
constexpr DWORD kLogLockWaitMs = 500;
// The log entries a crash writes: what, where, the dump.
constexpr DWORD kCrashEntries = 3;
// How long another thread that faults while the report is written waits for it to end the
// process: the report's longest time and a margin.
constexpr DWORD kReportLongestMs = kCrashDumpWaitMs + kCrashEntries * kLogLockWaitMs + 1000;
// Stack that stays for the handler when the bridge's thread overflows its own: room for the
// system's exception dispatch, the handler's few small frames and the calls that write an
// entry and start the dump's thread.
constexpr ULONG kHandlerStackBytes = 64 * 1024;
// The C runtimes a library may bring (Visual C++'s since 2005, and the system's), each
// with its own abort(): looked up among the loaded modules, never loaded.
constexpr const wchar_t* kRuntimes[] = {L"ucrtbase.dll", L"msvcrt.dll",   L"msvcr120.dll",
                                        L"msvcr110.dll", L"msvcr100.dll", L"msvcr90.dll",
                                        L"msvcr80.dll"};

// The system's modules that raise an exception for the handler.
constexpr const wchar_t* kSystemModules[] = {L"kernelbase.dll", L"kernel32.dll", L"ntdll.dll"};
constexpr std::size_t kRaisingModules = std::size(kRuntimes) + std::size(kSystemModules);

struct Prepared {
  wchar_t log_path[kPathCapacity] = {};
  wchar_t lock_name[kPathCapacity] = {};
  HMODULE own_module = nullptr;
  char own_name[MAX_PATH] = {};
  // The loaded C runtimes and system modules: frames of the handler's own raising.
  HMODULE raising_modules[kRaisingModules] = {};
};

Prepared g_prepared;
char g_entry[kCrashEntryCapacity];
CrashFacts g_facts;
// The thread that runs the bridge's work and sets its activity.
DWORD g_bridge_thread = 0;
// The thread that reports: a fault in it ends the process at once; another thread's fault
// waits until the report has ended the process.
volatile LONG g_reporter = 0;

bool CopyPath(const std::u16string& path, wchar_t* out) {
  if (path.size() + 1 > kPathCapacity) return false;
  std::copy(path.begin(), path.end(), out);
  out[path.size()] = L'\0';
  return true;
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
// in the middle of an entry) delays the entry only briefly. Each entry is one write.
void AppendToLog(const char* text, std::size_t length) {
  if (g_prepared.log_path[0] == L'\0' || length == 0) return;
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

// What the exception record, the context and the bridge's activity record say: memory the
// system or the bridge made, nothing of a library's.
void TakeKnownFacts(const EXCEPTION_POINTERS& pointers) {
  const EXCEPTION_RECORD& record = *pointers.ExceptionRecord;
  g_facts.code = record.ExceptionCode;
  g_facts.address = pointers.ContextRecord->Rip;
  // A lost page of a mapped file says which access and where, as an access violation does.
  if ((record.ExceptionCode == EXCEPTION_ACCESS_VIOLATION ||
       record.ExceptionCode == EXCEPTION_IN_PAGE_ERROR) &&
      record.NumberParameters >= 2) {
    g_facts.access = static_cast<int>(record.ExceptionInformation[0]);
    g_facts.access_address = record.ExceptionInformation[1];
  }
  g_facts.activity = g_activity;
  // The part's name belongs to the bridge's thread, which goes on running while another
  // thread's crash is reported, and may free it: only that thread's own crash names it.
  if (GetCurrentThreadId() != g_bridge_thread) g_facts.activity.part = nullptr;
}

void OnAbortSignal(int);
[[noreturn]] void OnTerminate();

// A frame of the handler's own raising of a crash: the place of that crash is beyond them.
bool IsRaisingFrame(std::uintptr_t image_base, DWORD64 function_begin) {
  const auto* raising = g_prepared.raising_modules;
  return function_begin == reinterpret_cast<DWORD64>(&OnAbortSignal) ||
         function_begin == reinterpret_cast<DWORD64>(&OnTerminate) ||
         (image_base != 0 &&
          std::find(raising, raising + kRaisingModules, reinterpret_cast<HMODULE>(image_base)) !=
              raising + kRaisingModules);
}

void Report(EXCEPTION_POINTERS* pointers) {
  TakeKnownFacts(*pointers);
  const CrashTime time = TimeNow();
  AppendToLog(g_entry, FormatCrashEntry(g_facts, time, g_entry, sizeof g_entry));
  const bool raised = g_facts.code == kAbortExceptionCode || g_facts.code == kTerminateExceptionCode;
  FindCrashSite(*pointers->ContextRecord, g_prepared.own_module, g_prepared.own_name,
                raised ? &IsRaisingFrame : nullptr, g_facts);
  AppendToLog(g_entry, FormatCrashSite(g_facts, time, g_entry, sizeof g_entry));
  const char16_t* dump = nullptr;
  const CrashDumpOutcome outcome = WriteCrashDump(time, GetCurrentThreadId(), pointers, dump);
  AppendToLog(g_entry, FormatCrashDumpEntry(outcome, dump, kCrashDumpWaitMs / 1000, time,
                                            g_entry, sizeof g_entry));
}

LONG WINAPI OnUnhandledException(EXCEPTION_POINTERS* pointers) {
  // The crash's own code, also when the handler itself faults on the way.
  const auto code = [pointers] {
    return static_cast<UINT>(g_facts.code != 0 ? g_facts.code
                                               : pointers->ExceptionRecord->ExceptionCode);
  };
  // No fault box of Windows' error reporting either, whatever happens from here on.
  SetErrorMode(GetErrorMode() | SEM_NOGPFAULTERRORBOX);
  const DWORD self = GetCurrentThreadId();
  const LONG reporter = InterlockedCompareExchange(&g_reporter, static_cast<LONG>(self), 0);
  if (reporter == static_cast<LONG>(self) || IsCrashDumpThread(self)) {
    TerminateProcess(GetCurrentProcess(), code());
  }
  if (reporter != 0) {
    // Another thread reports and then ends the process; this one must not end it sooner.
    Sleep(kReportLongestMs);
    TerminateProcess(GetCurrentProcess(), code());
  }
  Report(pointers);
  TerminateProcess(GetCurrentProcess(), code());
  return EXCEPTION_EXECUTE_HANDLER;
}

// An exception nobody caught, a throw out of a noexcept function: the runtime would abort
// with a message box; this raises a crash instead.
[[noreturn]] void OnTerminate() {
  RaiseException(kTerminateExceptionCode, EXCEPTION_NONCONTINUABLE, 0, nullptr);
  TerminateProcess(GetCurrentProcess(), kTerminateExceptionCode);
  for (;;) Sleep(INFINITE);
}

// abort() of any C runtime, a library's std::terminate among its callers: the runtime would
// show its message and end with exit code 3; this raises a crash instead.
void OnAbortSignal(int) {
  RaiseException(kAbortExceptionCode, EXCEPTION_NONCONTINUABLE, 0, nullptr);
  TerminateProcess(GetCurrentProcess(), kAbortExceptionCode);
}

// Every C runtime loaded with the program and its libraries raises a crash on abort, with
// neither its message nor its own report to Windows (which would bypass the handler).
void CatchAbortOfEveryRuntime() {
  using SignalFunction = void (*(__cdecl*)(int, void (*)(int)))(int);
  using AbortBehaviourFunction = unsigned int(__cdecl*)(unsigned int, unsigned int);
  HMODULE* raising = g_prepared.raising_modules;
  for (const wchar_t* name : kSystemModules) *raising++ = GetModuleHandleW(name);
  for (const wchar_t* name : kRuntimes) {
    const HMODULE runtime = GetModuleHandleW(name);
    if (runtime == nullptr) continue;
    *raising++ = runtime;
    const auto set_signal = reinterpret_cast<SignalFunction>(
        reinterpret_cast<void*>(GetProcAddress(runtime, "signal")));
    const auto set_behaviour = reinterpret_cast<AbortBehaviourFunction>(
        reinterpret_cast<void*>(GetProcAddress(runtime, "_set_abort_behavior")));
    if (set_signal != nullptr) set_signal(SIGABRT, &OnAbortSignal);
    if (set_behaviour != nullptr) set_behaviour(0, _WRITE_ABORT_MSG | _CALL_REPORTFAULT);
  }
}

}  // namespace

void InstallCrashReport() {
  g_bridge_thread = GetCurrentThreadId();
  // A stack overflow leaves the thread only the guard page's worth of stack for the
  // handler, too little to write an entry: this keeps some for it.
  ULONG guarantee = kHandlerStackBytes;
  SetThreadStackGuarantee(&guarantee);
  PrepareOwnName();
  const std::u16string folder = GetExchangeFolder();
  CopyPath(ExtendedLengthPath(MakeExchangeFilePath(protocol::kLogFile.view())),
           g_prepared.log_path);
  CopyPath(std::u16string(protocol::kLogLock.view()), g_prepared.lock_name);
  PrepareCrashDumps(folder);
  ActivityStep::Set("starting");
  SetUnhandledExceptionFilter(&OnUnhandledException);
  std::set_terminate(&OnTerminate);
  CatchAbortOfEveryRuntime();
}

}  // namespace tarnwick::app
