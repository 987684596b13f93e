// The last word of a process that meets an exception nobody handles, in the
// bridge or inside the renderer's library, or an abort() or std::terminate of
// any C runtime in the process: a "Crash: " entry in the log (what, and what the
// bridge was doing), then "Crash site: " (where) and "Crash dump: " (the small
// minidump in the exchange folder, of which the newest few are kept, or why
// there is none), then the process ends at once with the exception's code, with
// no dialog that would wait for a person the host never shows.
#pragma once

namespace tarnwick::app {

// Prepares the log's and the dumps' paths (the exchange folder is resolved now), keeps stack
// for the handler on this thread, and becomes the process's handler of unhandled exceptions,
// of std::terminate and of the abort signal of every loaded C runtime. Called on the thread
// that does the bridge's work.
void InstallCrashReport();

}  // namespace tarnwick::app
