// Inside the file layer: each platform call that fails notes why, on the
// calling thread, before anything else can change the system's error number.
#pragma once

#include "platform/file_call_hook.h"
#include "platform/file_io.h"

namespace tarnwick {

// Notes the failure that LastFileFailure then reports.
void NoteFileFailure(FileError error, int system_code);

// Notes the failure of the C runtime or system call that has just failed (errno or
// GetLastError, as the platform keeps it).
void NoteSystemFailure();

// Notes the failure of a C runtime call whose number is `error` (an errno value).
void NoteErrnoFailure(int error);

// True when the test hook fails this call, which is then noted as a refusal (a rename, as
// Windows refuses one while another process holds the file) or a failure of another kind.
bool HookFails(FileCall call);

}  // namespace tarnwick
