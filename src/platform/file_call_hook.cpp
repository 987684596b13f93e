#include "platform/file_call_hook.h"

namespace tarnwick {

namespace {

FileCallHook g_hook = nullptr;

}  // namespace

void SetFileCallHook(FileCallHook hook) { g_hook = hook; }

bool FileCallFails(FileCall call) { return g_hook != nullptr && g_hook(call); }

}  // namespace tarnwick
