// The D5Api.dll build's crashes on request, the ways a renderer's library can
// end the process that calls it. RENDERER_STANDIN_FAULT names the call
// (D5API_...) that crashes, RENDERER_STANDIN_FAULT_AFTER=N lets that many calls
// of it pass first, and RENDERER_STANDIN_FAULT_KIND says how:
//   write (the default), read, execute: an access violation of that kind;
//   thread: a write fault on a thread of the library's own, the caller waiting;
//   abort, terminate, throw: abort(), std::terminate() of the library's own C++
//     runtime, a C++ exception thrown out of the call;
//   hidden_image: the library makes its own first page unreadable, then writes;
//   loader_lock: the library takes the loader's lock, then writes;
//   stack_overflow: a recursion without end.
// Read once: the settings of a crash test are fixed when its program starts.
#include <windows.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <stdexcept>
#include <string>

#include "standin/standin_host.h"
#include "standin/standin_win32.h"

namespace standin::host {

namespace {

// A page that may not be touched at all. Reserved, not committed: under Wine run as root,
// page zero may be mapped, and a null write would pass.
volatile int* InaccessiblePage() {
  return static_cast<volatile int*>(VirtualAlloc(nullptr, 4096, MEM_RESERVE, PAGE_NOACCESS));
}

void WriteFault() { *InaccessiblePage() = 1; }

DWORD WINAPI WriteFaultThread(void*) {
  WriteFault();
  return 0;
}

// Deep enough that no compiler turns it into a loop: each frame keeps a page.
int Recurse(int depth) {
  if (depth < 0) return 0;  // never: the stack ends first
  volatile char frame[4096];
  frame[depth % sizeof frame] = static_cast<char>(depth);
  return Recurse(depth + 1) + frame[0];
}

using LockLoaderFunction = LONG(NTAPI*)(ULONG flags, ULONG* state, ULONG_PTR* cookie);

void Fault(const std::wstring& kind) {
  if (kind == L"read") {
    static_cast<void>(*InaccessiblePage());
  } else if (kind == L"execute") {
    reinterpret_cast<void (*)()>(const_cast<int*>(InaccessiblePage()))();
  } else if (kind == L"thread") {
    const HANDLE thread = CreateThread(nullptr, 0, &WriteFaultThread, nullptr, 0, nullptr);
    if (thread != nullptr) WaitForSingleObject(thread, INFINITE);
  } else if (kind == L"abort") {
    std::abort();
  } else if (kind == L"terminate") {
    std::terminate();
  } else if (kind == L"throw") {
    throw std::runtime_error("the renderer's library throws");
  } else if (kind == L"hidden_image") {
    HMODULE self = nullptr;
    GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                           GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCWSTR>(&Fault), &self);
    DWORD before = 0;
    VirtualProtect(self, 4096, PAGE_NOACCESS, &before);
  } else if (kind == L"loader_lock") {
    const auto lock = reinterpret_cast<LockLoaderFunction>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "LdrLockLoaderLock")));
    ULONG_PTR cookie = 0;
    if (lock != nullptr) lock(0, nullptr, &cookie);
  } else if (kind == L"stack_overflow") {
    Recurse(0);
  }
  WriteFault();
}

}  // namespace

void FaultIfChosen(const char* fn) {
  static const std::wstring chosen = Environment(L"RENDERER_STANDIN_FAULT");
  static const std::wstring kind = Environment(L"RENDERER_STANDIN_FAULT_KIND");
  static int passes = EnvironmentNumber(L"RENDERER_STANDIN_FAULT_AFTER");
  if (chosen.empty() || !std::equal(chosen.begin(), chosen.end(), fn, fn + std::strlen(fn))) {
    return;
  }
  if (passes-- > 0) return;
  Fault(kind);
}

}  // namespace standin::host
