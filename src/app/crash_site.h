// Where an exception happened, in terms a support engineer can look up: the
// module and the offset in it, and when that module is not the program itself
// (the renderer's library, say), the exported function the program called there
// and the place in the program it was called from. Read straight from the
// loaded images and their unwind tables: no allocation, no loader lock, so that
// it may run in a crash handler. The images are another's memory (a library
// may have made its own pages unreadable before it crashed): every byte is read
// only from pages the system says are readable, and the names are copied into
// the handler's own storage.
#pragma once

#include <windows.h>

#include <cstdint>

#include "exchange/crash_entry.h"

namespace tarnwick::app {

// Tells the frames of a crash that the handler raised itself (on abort, say) that belong to
// the raising: the system's RaiseException, the handler, the C runtime's abort.
using RaisingFrame = bool (*)(std::uintptr_t image_base, DWORD64 function_begin);

// Fills the place fields of `facts` (module, offset, function, caller) for the exception's
// context; with `raising` given, for the first frame beyond those it tells. `own_module` is
// the program's image and `own_name` its file name (an executable names itself nowhere in
// its image).
void FindCrashSite(const CONTEXT& context, HMODULE own_module, const char* own_name,
                   RaisingFrame raising, CrashFacts& facts);

// Whether every byte of [address, address + size) lies in committed pages that may be read.
bool IsReadable(const void* address, std::size_t size);

}  // namespace tarnwick::app
