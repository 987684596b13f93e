// Touches one byte of every page of a large read-only view, front to back, on a
// thread of its own. The system maps a view's pages on the first touch; done
// here, that work goes to the second core while the reader walks pages that
// are already mapped.
#pragma once

#include <atomic>
#include <cstdint>
#include <thread>

namespace tarnwick {

class PageToucher {
 public:
  // Views smaller than this are left to the reader: their faults cost less than a thread.
  static constexpr std::uint64_t kMinimumBytes = std::uint64_t{16} << 20;
  // Distance between touches: the system maps pages of this size.
  static constexpr std::uint64_t kPageBytes = 4096;

  // Starts touching [data, data + size) when it is at least kMinimumBytes; a thread that
  // cannot be started only leaves the faults to the reader.
  PageToucher(const std::uint8_t* data, std::uint64_t size);
  // Stops the thread and waits for it: the view must be unmapped only afterwards.
  ~PageToucher();
  PageToucher(const PageToucher&) = delete;
  PageToucher& operator=(const PageToucher&) = delete;

  // Whether a thread was started.
  bool Touching() const { return thread_.joinable(); }
  // Bytes of the view that have been touched so far.
  std::uint64_t TouchedBytes() const { return touched_.load(std::memory_order_acquire); }

 private:
  void Run();

  const volatile std::uint8_t* data_;
  std::uint64_t size_;
  std::atomic<bool> stop_{false};
  std::atomic<std::uint64_t> touched_{0};
  std::thread thread_;
};

}  // namespace tarnwick
