// Drives the file layer's test hook: counts every file call, fails a chosen
// one, and may pause before a call, so that tests can break or slow down each
// step of a request in turn.
#pragma once

#include <chrono>
#include <cstdint>

#include "platform/file_call_hook.h"

namespace tarnwick::testing {

// Installs the hook for its lifetime; one at a time per process.
class FileFaults {
 public:
  FileFaults();
  ~FileFaults();
  FileFaults(const FileFaults&) = delete;
  FileFaults& operator=(const FileFaults&) = delete;

  // Fails the n-th call from now on (counting from 1, every kind); 0 fails none.
  void FailNth(std::uint64_t n);
  // Fails the next call of this kind, once.
  void FailNext(FileCall call);
  // Fails every call of this kind from now on, as long as the object lives.
  void FailEvery(FileCall call);
  // Sleeps before the next call of this kind, once.
  void PauseBefore(FileCall call, std::chrono::milliseconds pause);
  // Calls seen since the last FailNth (or since construction).
  std::uint64_t calls() const;
  // True once a call has been made to fail.
  bool failed() const;
};

}  // namespace tarnwick::testing
