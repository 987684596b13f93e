// The last word of a process that meets an exception nobody handles, in the
// bridge or inside the renderer's library: one "Crash: " entry in the log (what,
// where, and what the bridge was doing), a small minidump in the exchange folder
// (the newest few are kept), then the process ends at once, with no dialog that
// would wait for a person the host never shows.
#pragma once

namespace tarnwick::app {

// Prepares the log's and the dumps' paths (the exchange folder is resolved now) and becomes
// the process's handler of unhandled exceptions and of std::terminate. Called on the thread
// that does the bridge's work.
void InstallCrashReport();

}  // namespace tarnwick::app
