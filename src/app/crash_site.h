// Where an exception happened, in terms a support engineer can look up: the
// module and the offset in it, and when that module is not the program itself
// (the renderer's library, say), the exported function the program called there
// and the place in the program it was called from. Read straight from the
// loaded images and their unwind tables: no allocation, no loader lock, so that
// it may run in a crash handler.
#pragma once

#include <windows.h>

#include "exchange/crash_entry.h"

namespace tarnwick::app {

// Fills the place fields of `facts` (address, module, offset, function, caller) for the
// exception's context. `own_module` is the program's image and `own_name` its file name
// (an executable names itself nowhere in its image).
void FindCrashSite(const CONTEXT& context, HMODULE own_module, const char* own_name,
                   CrashFacts& facts);

}  // namespace tarnwick::app
