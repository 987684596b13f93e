#include <windows.h>

#include "platform/named_lock.h"

namespace tarnwick {

NamedLock::NamedLock(const std::u16string& name, std::uint32_t timeout_ms) {
  const std::wstring wide(name.begin(), name.end());
  const HANDLE mutex = CreateMutexW(nullptr, FALSE, wide.c_str());
  if (mutex == nullptr) return;
  handle_ = reinterpret_cast<std::intptr_t>(mutex);
  // An abandoned mutex was held by a process that ended in the middle of its
  // work: the files it guards are whole again once that process is gone, so the
  // lock is taken as usual.
  const DWORD wait = WaitForSingleObject(mutex, timeout_ms);
  owned_ = wait == WAIT_OBJECT_0 || wait == WAIT_ABANDONED;
}

NamedLock::~NamedLock() {
  if (handle_ == -1) return;
  const HANDLE mutex = reinterpret_cast<HANDLE>(handle_);
  if (owned_) ReleaseMutex(mutex);
  CloseHandle(mutex);
}

}  // namespace tarnwick
