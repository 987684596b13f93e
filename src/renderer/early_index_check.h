// The parts of the model's slot 0, read and their index lists checked on a
// thread of their own while the process starts, so that the start-up export
// finds the counts of their arrays known and the checks done. Under Wine,
// loading the window libraries and making the window take longer than checking
// the lists of a model of a gigabyte, on the other core.
//
// The thread only reads: it opens the file read-only, never creates or writes
// it, logs nothing, and lets the file go when it ends or is stopped.
#pragma once

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>

#include "renderer/checked_parts.h"

namespace tarnwick {

class EarlyIndexCheck {
 public:
  // Starts checking the container at `path` and returns once the thread runs; with no
  // thread, no checks are made.
  explicit EarlyIndexCheck(std::u16string path);
  // Stops the checks and waits for them.
  ~EarlyIndexCheck();
  EarlyIndexCheck(const EarlyIndexCheck&) = delete;
  EarlyIndexCheck& operator=(const EarlyIndexCheck&) = delete;

  // Stops the checks (the part being checked is finished) and waits.
  void Stop();
  // Waits for the checks to end by themselves: afterwards the file is closed.
  void Wait();
  // The results so far, for the export of slot 0 of the same file.
  CheckedParts& results() { return results_; }

 private:
  void Run(const std::u16string& path);

  CheckedParts results_;
  std::atomic<bool> stop_{false};
  // Set by the thread as it starts: the constructor returns only then.
  std::mutex start_mutex_;
  std::condition_variable started_;
  bool running_ = false;
  std::thread thread_;
};

}  // namespace tarnwick
