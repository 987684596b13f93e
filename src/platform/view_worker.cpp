#include "platform/view_worker.h"

#include <algorithm>
#include <system_error>

namespace tarnwick {

namespace {

// Touches in one step, between two looks at the reader and the other work:
// 4 MiB keeps the wait of a closing reader short.
constexpr std::uint64_t kTouchesPerStep = 64;

// Bytes warmed in one step, between two looks at where the reader is.
constexpr std::uint64_t kWarmStepBytes = std::uint64_t{256} << 10;

// The cache line: the unit in which memory comes to the processor.
constexpr std::uint64_t kLineBytes = 64;

// Looks at the reader while idle before the thread sleeps. The reader reports
// every 2 MiB or so, which takes it well under a millisecond; a thread that
// slept between reports would be woken by each, and a wake-up costs more than
// a few hundred yields (under Wine it is a round trip to the server).
constexpr int kIdleLooks = 2000;

// Views that may wait for their unmap while pages are touched. An unmap holds
// the address space's lock, and a reader that faults meanwhile waits for it
// (under Wine 2 to 3 ms for a 64 MiB view mapped page by page), so touches that
// spare the reader its faults go first; but no more than one view waits, so
// views never pile up when the reader is the faster. Measured against
// unmapping first: 1.05-1.27 against 1.06-1.31 times the plain read (aligned),
// 1.53-2.06 against 1.53-2.27 (host-placed), with the same memory.
constexpr std::size_t kRetiredWhileTouching = 1;

// Loads one byte of every line of [data, data + n).
void LoadLines(const std::uint8_t* data, std::uint64_t n) {
  const volatile std::uint8_t* bytes = data;
  std::uint8_t folded = 0;
  // Volatile loads: the bytes are not wanted, only the lines they bring.
  for (std::uint64_t at = 0; at < n; at += kLineBytes) folded ^= bytes[at];
  static_cast<void>(folded);
}

}  // namespace

ViewWorker::ViewWorker(const FileMapping& mapping) : mapping_(mapping) {
  try {
    thread_ = std::thread([this] { Run(); });
  } catch (const std::system_error&) {
    // Without the thread the reader maps, faults and unmaps on its own.
  }
}

ViewWorker::~ViewWorker() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
    touch_.reset();
    DropPrepared();
  }
  wake_.notify_one();
  if (thread_.joinable()) thread_.join();
}

void ViewWorker::Touch(const MappedView& view) {
  {
    std::lock_guard lock(mutex_);
    live_.push_back(view);
    touch_ = view;
    touched_ = 0;
  }
  wake_.notify_one();
}

void ViewWorker::Prepare(std::uint64_t start, std::size_t length) {
  {
    std::lock_guard lock(mutex_);
    DropPrepared();
    prepare_wanted_ = true;
    prepare_start_ = start;
    prepare_length_ = length;
  }
  wake_.notify_one();
}

MappedView ViewWorker::TakePrepared(std::uint64_t offset, std::uint64_t n) {
  std::unique_lock lock(mutex_);
  if (!prepare_wanted_ || !RangeHolds(prepare_start_, prepare_length_, offset, n)) {
    DropPrepared();
    return {};
  }
  prepared_.wait(lock, [this] { return prepared_view_.has_value(); });
  const MappedView view = *prepared_view_;
  prepared_view_.reset();
  prepare_wanted_ = false;
  return view;
}

void ViewWorker::Retire(const MappedView& view) {
  if (!view.data) return;
  {
    std::lock_guard lock(mutex_);
    retired_.push_back(view);
  }
  wake_.notify_one();
}

void ViewWorker::Follow(std::uint64_t offset) {
  reader_at_.store(offset);
  // Both sides use sequentially consistent order: either the thread sees the new
  // offset before it sleeps, or this sees it asleep and wakes it.
  if (parked_.load()) {
    { std::lock_guard lock(mutex_); }
    wake_.notify_one();
  }
}

void ViewWorker::DropPrepared() {
  // A view still being mapped is retired by the thread when it sees it is not wanted.
  if (prepared_view_ && prepared_view_->data) retired_.push_back(*prepared_view_);
  prepared_view_.reset();
  prepare_wanted_ = false;
}

bool ViewWorker::HasWork() const {
  return (prepare_wanted_ && !prepared_view_) || !retired_.empty() || touch_ || stopping_;
}

void ViewWorker::Run() {
  std::unique_lock lock(mutex_);
  for (;;) {
    // The reader's next view comes first: it waits for it.
    if (prepare_wanted_ && !prepared_view_) {
      MapPrepared(lock);
    } else if (!retired_.empty() && (!touch_ || retired_.size() > kRetiredWhileTouching)) {
      UnmapRetired(lock);
    } else if (touch_) {
      // Pages first: where the system maps a few pages per fault, mapping them is most of the
      // work and the reader would wait for it most; where it maps large pieces, the touches
      // of a view are over in a fraction of a millisecond.
      TouchStep(lock);
    } else if (WarmStep(lock)) {
      continue;
    } else if (stopping_) {
      return;
    } else {
      Idle(lock);
    }
  }
}

void ViewWorker::MapPrepared(std::unique_lock<std::mutex>& lock) {
  const std::uint64_t start = prepare_start_;
  const std::size_t length = prepare_length_;
  lock.unlock();
  const MappedView view = mapping_.Map(start, length);
  lock.lock();
  if (view.data) live_.push_back(view);
  // The reader may have moved elsewhere while the view was being mapped.
  if (prepare_wanted_ && !prepared_view_ && prepare_start_ == start && prepare_length_ == length) {
    prepared_view_ = view;
    if (view.data && !touch_) {
      touch_ = view;
      touched_ = 0;
    }
    prepared_.notify_all();
  } else if (view.data) {
    retired_.push_back(view);
  }
}

void ViewWorker::UnmapRetired(std::unique_lock<std::mutex>& lock) {
  const MappedView view = retired_.back();
  retired_.pop_back();
  // Nothing may load from the view once it is unmapped.
  if (touch_ && touch_->data == view.data) touch_.reset();
  std::erase_if(live_, [&view](const MappedView& live) { return live.data == view.data; });
  lock.unlock();
  FileMapping::Unmap(view);
  lock.lock();
}

const MappedView* ViewWorker::LiveHolding(std::uint64_t offset) const {
  const MappedView* best = nullptr;
  for (const MappedView& view : live_) {
    if (view.Holds(offset, 1) && (!best || view.end() > best->end())) best = &view;
  }
  return best;
}

bool ViewWorker::WarmStep(std::unique_lock<std::mutex>& lock) {
  if (stopping_) return false;
  const std::uint64_t reader = reader_at_.load();
  // A reader may seek anywhere, however far: the target stops at the largest offset.
  const std::uint64_t target = reader + std::min(kWarmAheadBytes, ~std::uint64_t{0} - reader);
  // Lines behind the reader are of no use, and after a jump back the old run is too far on.
  if (warmed_ < reader || warmed_ > target) warmed_ = reader;
  if (warmed_ >= target) return false;
  const MappedView* view = LiveHolding(warmed_);
  if (!view) return false;
  const std::uint64_t end = std::min({view->end(), target, warmed_ + kWarmStepBytes});
  const std::uint8_t* from = view->data + (warmed_ - view->start);
  const std::uint64_t n = end - warmed_;
  // Only this thread unmaps, so the view stays mapped while the lock is let go.
  lock.unlock();
  LoadLines(from, n);
  warmed_bytes_.fetch_add(n, std::memory_order_relaxed);
  lock.lock();
  warmed_ = end;
  return true;
}

void ViewWorker::TouchStep(std::unique_lock<std::mutex>& lock) {
  const MappedView view = *touch_;
  const std::uint64_t from = touched_;
  const std::uint64_t end = std::min<std::uint64_t>(view.length, from + kTouchesPerStep * kTouchStepBytes);
  lock.unlock();
  // Loading a line maps its page: the system maps the cached pages around it as well.
  std::uint64_t touches = 0;
  for (std::uint64_t at = from; at < end; at += kTouchStepBytes, ++touches) LoadLines(view.data + at, 1);
  touches_.fetch_add(touches, std::memory_order_relaxed);
  lock.lock();
  // The reader may have handed in another view meanwhile; then that one is touched next.
  if (touch_ && touch_->data == view.data && touched_ == from) {
    touched_ = end;
    if (end >= view.length) touch_.reset();
  }
}

void ViewWorker::Idle(std::unique_lock<std::mutex>& lock) {
  const std::uint64_t seen = reader_at_.load();
  for (int look = 0; look < kIdleLooks; ++look) {
    lock.unlock();
    std::this_thread::yield();
    lock.lock();
    if (HasWork() || reader_at_.load() != seen) return;
  }
  parked_.store(true);
  if (!HasWork() && reader_at_.load() == seen) wake_.wait(lock);
  parked_.store(false);
}

}  // namespace tarnwick
