// The program's log "D5_Log.log" in the exchange folder: one time-stamped line
// per entry, each entry a complete open-append-close, rotated to the single
// backup "D5_Log.logOld" when a process finds it over 100000 bytes. Measuring,
// rotating and appending happen under one lock shared by every process.
#pragma once

#include <string>

namespace tarnwick {

// Appends "[YYYY. MM. DD - hh:mm:ss]: message" (UTC) to the log; failures are silent.
void WriteLog(std::string message);

// Appends "[YYYY/MM/DD hh:mm:ss]: message" (UTC); code units above U+00FF are written as '?'.
void WriteLogW(std::u16string message);

// Forgets that the log was measured, so that tests see a fresh process.
void ResetLogRotationFlags();

}  // namespace tarnwick
