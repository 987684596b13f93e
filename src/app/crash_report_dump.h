// The crash report's minidump: written from the system's dbghelp.dll on a
// thread of its own (the crashed one may have no stack left), waited for a few
// seconds at most (a crash inside the loader's lock keeps a new thread, and
// the loading of dbghelp, waiting for ever), and removed when it is not done in
// that time. Only the newest few dumps are kept; housekeeping touches nothing
// but regular files whose names have exactly the form the bridge writes.
#pragma once

#include <windows.h>

#include <string>

#include "exchange/crash_entry.h"

namespace tarnwick::app {

// How long the crashed thread waits for the dump: the host must not wait long for an end.
inline constexpr DWORD kCrashDumpWaitMs = 3000;

// Prepares the dumps' folder (the exchange folder) at start-up; an empty folder: no dumps.
void PrepareCrashDumps(const std::u16string& folder);

// Writes the dump of the crashed thread's exception, named for `time`, and waits for it at
// most kCrashDumpWaitMs; `name` is then the dump's file name. Runs on the crashed thread.
CrashDumpOutcome WriteCrashDump(const CrashTime& time, DWORD crashed_thread,
                                EXCEPTION_POINTERS* pointers, const char16_t*& name);

// Whether this thread is the dump's own (a fault in it ends the process at once).
bool IsCrashDumpThread(DWORD thread);

}  // namespace tarnwick::app
