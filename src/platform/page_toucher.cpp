#include "platform/page_toucher.h"

#include <algorithm>
#include <system_error>

namespace tarnwick {

namespace {

// Pages touched between two looks at the stop flag: a quarter of a MiB keeps
// the wait of a destructor that comes early short.
constexpr std::uint64_t kPagesPerStep = 64;

}  // namespace

PageToucher::PageToucher(const std::uint8_t* data, std::uint64_t size) : data_(data), size_(size) {
  if (data == nullptr || size < kMinimumBytes) return;
  try {
    thread_ = std::thread([this] { Run(); });
  } catch (const std::system_error&) {
    // Without the thread the reader takes the faults itself, as it would on a small view.
  }
}

PageToucher::~PageToucher() {
  stop_.store(true, std::memory_order_relaxed);
  if (thread_.joinable()) thread_.join();
}

void PageToucher::Run() {
  std::uint64_t at = 0;
  std::uint8_t folded = 0;
  while (at < size_ && !stop_.load(std::memory_order_relaxed)) {
    const std::uint64_t end = std::min(size_, at + kPagesPerStep * kPageBytes);
    // A volatile load: the byte is not wanted, only the fault it causes.
    for (; at < end; at += kPageBytes) folded ^= data_[at];
    touched_.store(std::min(at, size_), std::memory_order_release);
  }
  static_cast<void>(folded);
}

}  // namespace tarnwick
