// A test-only hook into the platform file layer: it is asked before every file
// call and may make that call fail (or slow it down), so that tests can break
// each call of a whole request in turn. Unset, it costs one test of a pointer.
#pragma once

namespace tarnwick {

// The kinds of call that the file layer makes.
enum class FileCall {
  kOpen, kRead, kWrite, kSeek, kCopy, kRemove, kRename, kTruncate, kClose, kExtend
};

// Asked before a call; true makes the call fail as the system call would. A rename fails
// as Windows refuses one while another process holds the file or its target open.
using FileCallHook = bool (*)(FileCall call);

// Installs the hook for the whole process (null removes it). Tests only.
void SetFileCallHook(FileCallHook hook);

// True when the installed hook wants this call to fail.
bool FileCallFails(FileCall call);

}  // namespace tarnwick
