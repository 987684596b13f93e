// A lock shared by every process of the user's session, known by its name and
// held for a few milliseconds. On Windows a named mutex; on POSIX an exclusive
// flock on a file of that name in the temporary folder.
#pragma once

#include <cstdint>
#include <string>

namespace tarnwick {

class NamedLock {
 public:
  // Waits up to timeout_ms for the lock of that name; owns_lock() tells whether it was taken.
  NamedLock(const std::u16string& name, std::uint32_t timeout_ms);
  // Releases the lock if it was taken.
  ~NamedLock();
  NamedLock(const NamedLock&) = delete;
  NamedLock& operator=(const NamedLock&) = delete;

  // True while this object holds the lock.
  bool owns_lock() const { return owned_; }

 private:
  std::intptr_t handle_ = -1;
  bool owned_ = false;
};

}  // namespace tarnwick
