#include <windows.h>

#include <array>
#include <cstdint>

#include "platform/view_faults.h"

namespace tarnwick {

namespace {

// Views mapped at one time: a stream's current and next view, and those the worker has
// yet to unmap, for the few streams open at once.
constexpr std::size_t kMostViews = 64;
// The first parameter of an access fault: 0 for a read.
constexpr ULONG_PTR kReadAccess = 0;

struct Watch {
  std::uintptr_t start = 0;  // 0: a free entry
  std::size_t length = 0;
  std::atomic<bool>* lost = nullptr;
  bool zeros = false;  // the view was replaced by zeros
};

// Every entry is read and written under the lock: the handler takes it on the faulting
// thread, and no code that holds it touches a view.
SRWLOCK lock = SRWLOCK_INIT;
std::array<Watch, kMostViews> watches;
PVOID handler = nullptr;

Watch* Find(std::uintptr_t address) {
  for (Watch& watch : watches) {
    if (watch.start != 0 && address - watch.start < watch.length) return &watch;
  }
  return nullptr;
}

// Puts zeros where the view was. Another thread that touches the view between the unmap
// and the allocation faults too, and waits for the lock.
bool ReplaceByZeros(Watch& watch) {
  void* at = reinterpret_cast<void*>(watch.start);
  UnmapViewOfFile(at);
  if (VirtualAlloc(at, watch.length, MEM_RESERVE | MEM_COMMIT, PAGE_READONLY) != at) return false;
  watch.zeros = true;
  return true;
}

LONG CALLBACK OnFault(EXCEPTION_POINTERS* info) {
  const EXCEPTION_RECORD& record = *info->ExceptionRecord;
  const bool access = record.ExceptionCode == EXCEPTION_IN_PAGE_ERROR ||
                      record.ExceptionCode == EXCEPTION_ACCESS_VIOLATION;
  if (!access || record.NumberParameters < 2 || record.ExceptionInformation[0] != kReadAccess) {
    return EXCEPTION_CONTINUE_SEARCH;
  }
  LONG result = EXCEPTION_CONTINUE_SEARCH;
  AcquireSRWLockExclusive(&lock);
  if (Watch* watch = Find(record.ExceptionInformation[1])) {
    if (watch->zeros || ReplaceByZeros(*watch)) {
      watch->lost->store(true, std::memory_order_release);
      result = EXCEPTION_CONTINUE_EXECUTION;
    }
  }
  ReleaseSRWLockExclusive(&lock);
  return result;
}

}  // namespace

bool WatchView(const void* data, std::size_t length, std::atomic<bool>& lost) {
  AcquireSRWLockExclusive(&lock);
  // Called first among the handlers: a fault in a watched view is ours alone.
  if (handler == nullptr) handler = AddVectoredExceptionHandler(1, OnFault);
  bool watched = false;
  if (handler != nullptr) {
    for (Watch& watch : watches) {
      if (watch.start != 0) continue;
      watch = {reinterpret_cast<std::uintptr_t>(data), length, &lost, false};
      watched = true;
      break;
    }
  }
  ReleaseSRWLockExclusive(&lock);
  return watched;
}

void UnmapWatchedView(const void* data) {
  const auto start = reinterpret_cast<std::uintptr_t>(data);
  bool zeros = false;
  AcquireSRWLockExclusive(&lock);
  for (Watch& watch : watches) {
    if (watch.start != start) continue;
    zeros = watch.zeros;
    watch = {};
    break;
  }
  ReleaseSRWLockExclusive(&lock);
  if (zeros) {
    VirtualFree(const_cast<void*>(data), 0, MEM_RELEASE);
  } else {
    UnmapViewOfFile(data);
  }
}

}  // namespace tarnwick
