// The system's read-only mapping of an open file, from which views of byte
// ranges are mapped into the address space. The file's pages belong to the
// system's file cache, not to the process's committed memory. On Windows a
// mapped view holds the file (the host cannot shorten it) until it is unmapped,
// and a page that the volume cannot give reads as zeros and marks the mapping lost.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>

namespace tarnwick {

// Whether [offset, offset + n) lies inside [start, start + length).
inline bool RangeHolds(std::uint64_t start, std::uint64_t length, std::uint64_t offset,
                       std::uint64_t n) {
  return offset >= start && offset - start <= length && n <= length - (offset - start);
}

// A mapped range of a file: its bytes, where they start in the file and how many there are.
struct MappedView {
  const std::uint8_t* data = nullptr;
  std::uint64_t start = 0;
  std::size_t length = 0;

  // Offset in the file just past the view.
  std::uint64_t end() const { return start + length; }
  // Whether [offset, offset + n) lies inside the view.
  bool Holds(std::uint64_t offset, std::uint64_t n) const {
    return data != nullptr && RangeHolds(start, length, offset, n);
  }
};

class FileMapping {
 public:
  // Views start at multiples of this: the allocation granularity of Windows, a
  // multiple of every page size.
  static constexpr std::uint64_t kGranularity = 65536;

  // The mapping of the first `size` bytes of an open stream's file; null when the file is
  // empty, larger than the address space, on a volume that may go away (see volume_kind.h),
  // or the system refuses.
  static std::unique_ptr<FileMapping> Create(std::FILE* file, std::uint64_t size);
  ~FileMapping();
  FileMapping(const FileMapping&) = delete;
  FileMapping& operator=(const FileMapping&) = delete;

  // Maps [start, start + length): start a multiple of kGranularity, the range inside the
  // file. No data when the system refuses. Any thread may call it.
  MappedView Map(std::uint64_t start, std::size_t length) const;
  // Unmaps a view that Map returned. Any thread may call it.
  static void Unmap(const MappedView& view);

  // Bytes of the file that the mapping covers.
  std::uint64_t size() const { return size_; }
  // Set once a page of a view could not be read (the volume went away, the file was cut
  // short): that view then holds zeros, and nothing read from the mapping can be trusted.
  // A reader loads it (acquire) for every record.
  const std::atomic<bool>& lost_flag() const { return lost_; }

 private:
  FileMapping(std::intptr_t handle, std::uint64_t size) : handle_(handle), size_(size) {}

  std::intptr_t handle_;  // the file descriptor, or the Windows mapping object
  std::uint64_t size_;
  // Set by the fault handler, from any thread that touches a view. It is read for every
  // record, and a line of its own keeps the worker's writes nearby from taking it away.
  alignas(64) mutable std::atomic<bool> lost_{false};
};

}  // namespace tarnwick
