// The page-table work of a mapped file, done on a thread of its own beside the
// reader: it maps the view the reader will want next, touches the pages of a
// view so that the system maps them before the reader comes, and unmaps the
// views the reader has left. On a second core the reader then walks pages
// that are mostly mapped already and never unmaps a view itself.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "platform/file_mapping.h"

namespace tarnwick {

class ViewWorker {
 public:
  // Distance between touches. Measured under Wine: Linux maps the cached pages
  // around a fault together (64 KiB by default), so one touch per 64 KiB maps
  // as much as one per page at a sixteenth of the loads; 4 KiB steps made the
  // export 7 to 16% slower. A page a touch leaves unmapped is faulted by the
  // reader itself, as without a worker.
  static constexpr std::uint64_t kTouchStepBytes = 65536;

  // Starts the thread over a mapping that outlives the worker; Started() is false when the
  // system refuses a thread.
  explicit ViewWorker(const FileMapping& mapping);
  // Unmaps every view it was given or mapped, then stops the thread and waits for it. A
  // worker whose thread did not start is given no views: its owner unmaps them.
  ~ViewWorker();
  ViewWorker(const ViewWorker&) = delete;
  ViewWorker& operator=(const ViewWorker&) = delete;

  // Whether the thread runs.
  bool Started() const { return thread_.joinable(); }
  // Touches the pages of a view that the reader mapped itself.
  void Touch(const MappedView& view);
  // Maps [start, start + length) for the reader's next view and touches its pages.
  void Prepare(std::uint64_t start, std::size_t length);
  // The prepared view when it holds [offset, offset + n), waiting for it to be mapped;
  // otherwise it is unmapped later, and the result has no data.
  MappedView TakePrepared(std::uint64_t offset, std::uint64_t n);
  // Unmaps a view that the reader has left.
  void Retire(const MappedView& view);
  // Touches made so far.
  std::uint64_t Touches() const { return touches_.load(std::memory_order_relaxed); }

 private:
  void Run();
  // Maps the view the reader asked for, with the lock held on entry and on return.
  void MapPrepared(std::unique_lock<std::mutex>& lock);
  void TouchPages(const MappedView& view);
  // Gives the prepared view up, under the lock.
  void DropPrepared();

  const FileMapping& mapping_;
  std::mutex mutex_;
  std::condition_variable wake_;      // the thread has work
  std::condition_variable prepared_;  // a prepared view is mapped
  std::optional<MappedView> touch_;
  bool prepare_wanted_ = false;
  std::uint64_t prepare_start_ = 0;
  std::size_t prepare_length_ = 0;
  std::optional<MappedView> prepared_view_;  // no data when the system refused it
  std::vector<MappedView> retired_;
  bool stopping_ = false;
  std::atomic<bool> stop_touching_{false};
  std::atomic<std::uint64_t> touches_{0};
  std::thread thread_;
};

}  // namespace tarnwick
