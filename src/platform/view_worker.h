// The memory work of a mapped file, done on a thread of its own beside the
// reader: it maps the view the reader will want next, loads every cache line
// of the few MiB ahead of the reader, touches the pages of a view further on
// so that the system maps them before the reader comes, and unmaps the views
// the reader has left. On a second core the reader then finds the bytes it
// walks mapped and in the shared cache, and never unmaps a view itself.
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

// Aligned to the cache line, so that what the thread writes shares no line with what the
// reader reads.
class alignas(64) ViewWorker {
 public:
  // Distance between touches. Measured under Wine: Linux maps the cached pages
  // around a fault together (64 KiB by default), so one touch per 64 KiB maps
  // as much as one per page at a sixteenth of the loads; 4 KiB steps made the
  // export 7 to 16% slower. A page a touch leaves unmapped is faulted by the
  // reader itself, as without a worker.
  static constexpr std::uint64_t kTouchStepBytes = 65536;
  // How far ahead of the reader every cache line is loaded. One core alone waits
  // for memory at every line it has not asked for early enough; with the lines
  // loaded by this thread, the reader takes them from the shared cache. Measured
  // on a 1 GiB file, copying it as the reader does: 74-78 ms alone, 45 ms with a
  // thread loading 2, 8 or 16 MiB ahead. A quarter of the shared cache of the
  // machine measured; where the shared cache is smaller than this, lines leave it
  // before the reader comes, and the loads cost the second core and memory for nothing.
  static constexpr std::uint64_t kWarmAheadBytes = std::uint64_t{8} << 20;

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
  // Takes in a view that the reader mapped itself, to warm and touch its pages.
  void Touch(const MappedView& view);
  // Maps [start, start + length) for the reader's next view and touches its pages.
  void Prepare(std::uint64_t start, std::size_t length);
  // The prepared view when it holds [offset, offset + n), waiting for it to be mapped;
  // otherwise it is unmapped later, and the result has no data.
  MappedView TakePrepared(std::uint64_t offset, std::uint64_t n);
  // Unmaps a view that the reader has left.
  void Retire(const MappedView& view);
  // Tells the thread where in the file the reader has come to.
  void Follow(std::uint64_t offset);
  // Touches made so far.
  std::uint64_t Touches() const { return touches_.load(std::memory_order_relaxed); }
  // Bytes whose cache lines were loaded ahead of the reader so far.
  std::uint64_t Warmed() const { return warmed_bytes_.load(std::memory_order_relaxed); }

 private:
  // The steps below run with the lock held on entry and on return, and let it go while
  // they work on memory.
  void Run();
  // Maps the view the reader asked for.
  void MapPrepared(std::unique_lock<std::mutex>& lock);
  // Unmaps the view retired last.
  void UnmapRetired(std::unique_lock<std::mutex>& lock);
  // Loads the lines of one step just ahead of the reader; false when there is none to load.
  bool WarmStep(std::unique_lock<std::mutex>& lock);
  // Touches the pages of one step of the view to touch.
  void TouchStep(std::unique_lock<std::mutex>& lock);
  // Waits for work or for the reader to move: a while awake, then asleep.
  void Idle(std::unique_lock<std::mutex>& lock);
  bool HasWork() const;
  // The mapped view that holds `offset` and goes on furthest, or null.
  const MappedView* LiveHolding(std::uint64_t offset) const;
  // Gives the prepared view up, under the lock.
  void DropPrepared();

  const FileMapping& mapping_;
  std::mutex mutex_;
  std::condition_variable wake_;      // the thread has work
  std::condition_variable prepared_;  // a prepared view is mapped
  std::vector<MappedView> live_;  // mapped and not yet unmapped: only this thread unmaps
  std::optional<MappedView> touch_;
  std::uint64_t touched_ = 0;  // bytes of touch_ touched so far
  std::uint64_t warmed_ = 0;   // file offset up to which the lines are loaded; this thread's own
  bool prepare_wanted_ = false;
  std::uint64_t prepare_start_ = 0;
  std::size_t prepare_length_ = 0;
  std::optional<MappedView> prepared_view_;  // no data when the system refused it
  std::vector<MappedView> retired_;
  bool stopping_ = false;
  std::atomic<std::uint64_t> reader_at_{0};
  std::atomic<bool> parked_{false};  // the thread sleeps until it is woken
  std::atomic<std::uint64_t> touches_{0};
  std::atomic<std::uint64_t> warmed_bytes_{0};
  std::thread thread_;
};

}  // namespace tarnwick
