// A container file opened for reading (and, for the blank header, writing).
//
// The stream knows the file's size as found at open. It serves runs of the
// file's bytes in place (Bytes, RunFrom), from which the readers decode whole
// records; bytes that are not all in the file are never served. A file opened
// for reading is mapped read-only in views that follow the reader (see
// MappedFile) when it lies on a volume that cannot go away (see
// volume_kind.h); when it cannot be mapped, bytes are served from one large
// window of the file that is refilled from the byte that misses it, and large
// reads that miss it go straight from the file into the caller's memory; a
// read that does not go on where the window ends refills only the page or so
// it needs. The stream can also stand over bytes in memory, read-only.
#pragma once

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <span>
#include <string>

#include "formats/little_endian.h"
#include "platform/mapped_file.h"

namespace tarnwick {

class ContainerStream {
 public:
  // Largest read window (allocated on the first read, at most the file's size and 4 KiB).
  // Measured: 2 MiB stays in the caches while the renderer takes the arrays from it;
  // 8 MiB made unaligned models a third slower.
  static constexpr std::size_t kWindowBytes = std::size_t{2} << 20;
  // Longest run of bytes that Bytes and View can hand out from a window.
  static constexpr std::size_t kMaxViewBytes = kWindowBytes - 4096;
  // Least refill for a read that does not go on where the window ends.
  static constexpr std::size_t kJumpRefillBytes = 4096;
  // How far the reader goes on in a mapped file before its view's worker hears of it again.
  static constexpr std::uint64_t kFollowStepBytes = std::uint64_t{1} << 20;

  // Opens a file with a stdio mode ("rb", "rb+", "wb+"); null when it cannot be opened.
  // A file opened for reading is mapped, in views of at least view_bytes, unless map_view is
  // false or the system refuses.
  static std::unique_ptr<ContainerStream> Open(const std::u16string& path, const char* mode,
                                               bool map_view = true,
                                               std::uint64_t view_bytes = MappedFile::kViewBytes);
  // A read-only stream over bytes that the caller keeps alive for the stream's life.
  static std::unique_ptr<ContainerStream> OverMemory(std::span<const std::uint8_t> bytes);

  ~ContainerStream();
  ContainerStream(const ContainerStream&) = delete;
  ContainerStream& operator=(const ContainerStream&) = delete;

  // Size of the file in bytes, as found at open and extended by writes.
  std::uint64_t Size() const { return size_; }
  // Bytes read from the file into the window or the caller's memory so far (a mapped view
  // or bytes in memory fetch nothing themselves).
  std::uint64_t FetchedBytes() const { return fetched_bytes_; }
  // Whether a page of a mapped view could not be read (its volume went away): every read
  // fails from then on, and bytes handed out before may hold zeros.
  bool ReadFailed() const { return lost_->load(std::memory_order_acquire); }
  // Whether the file is now shorter than it was at open: bytes of a mapped view past its new
  // end may have read as zeros without any fault.
  bool Shrunk() const;

  // The bytes [at, at + n) in place, valid until the next call on the stream. Null when they
  // are not all in the file, n exceeds MaxViewBytes(), or the file cannot give them. A lost
  // page of a mapped view is not looked at (see ReadFailed).
  const std::uint8_t* Bytes(std::uint64_t at, std::size_t n) {
    const std::uint64_t into = at - window_start_;
    if (into <= window_length_ && n <= window_length_ - into && at < follow_at_) {
      return window_data_ + into;
    }
    return BytesElsewhere(at, n);
  }

  // A run of the file's bytes in place: where it begins and how many the stream holds.
  struct Run {
    const std::uint8_t* data;
    std::uint64_t length;
  };
  // The bytes from `at` on that the stream holds at once, at least `least` of them, valid
  // until the next call: no data when Bytes(at, least) would give none. A reader decodes a
  // whole record from them when it lies in them.
  Run RunFrom(std::uint64_t at, std::size_t least) {
    const std::uint64_t into = at - window_start_;
    if (into <= window_length_ && least <= window_length_ - into && at < follow_at_) {
      return {window_data_ + into, window_length_ - into};
    }
    const std::uint8_t* data = BytesElsewhere(at, least);
    return data ? Run{data, window_start_ + window_length_ - at} : Run{nullptr, 0};
  }

  // Copies n bytes at an offset out of the file without moving the window; false, with `out`
  // zeroed, when they are not all in the file or it cannot give them.
  bool ReadAt(std::uint64_t offset, void* out, std::size_t n);
  // Longest run of bytes that Bytes can hand out: the whole file when it is mapped.
  std::uint64_t MaxViewBytes() const;

  // Writes n bytes at an offset; false when not all of them were written.
  bool Write(std::uint64_t at, const void* data, std::size_t n);
  // Pushes written bytes to the file.
  bool Flush();

 private:
  // A run of the file's bytes that a refill fetches.
  struct FetchSpan {
    std::uint64_t start = 0;
    std::uint64_t length = 0;
  };
  static const std::uint8_t kNothing[1];
  static const std::atomic<bool> kNeverLost;

  explicit ContainerStream(std::FILE* file);
  const std::uint8_t* BytesElsewhere(std::uint64_t at, std::size_t n);
  bool RefillAt(std::uint64_t position, std::size_t needed);
  std::size_t ReadFromFile(std::uint64_t offset, void* out, std::size_t n);
  bool InWindow(std::uint64_t offset, std::size_t n) const;
  void ForgetWindow();
  void Unmap();
  // The bytes a refill for `needed` bytes at `position` fetches.
  FetchSpan NextFetch(std::uint64_t position, std::size_t needed) const;

  std::FILE* file_;
  std::uint64_t size_ = 0;
  std::uint64_t fetched_bytes_ = 0;
  std::unique_ptr<MappedFile> mapped_;
  // The mapped view's lost-page flag, or one that is never set.
  const std::atomic<bool>* lost_ = &kNeverLost;
  // The window's bytes: the mapped view, or window_.
  const std::uint8_t* window_data_ = kNothing;
  std::uint64_t window_start_ = 0;
  std::size_t window_length_ = 0;
  std::unique_ptr<std::uint8_t[]> window_;
  std::size_t window_capacity_ = 0;
  // Where the mapped view's worker is next told of the reader (never for other streams).
  std::uint64_t follow_at_ = UINT64_MAX;
};

// A counted table of u32 words (a u32 count, then the words), read in small chunks so
// that a long table costs no memory and leaves the window where it is.
class WordTable {
 public:
  // The `count` words from `start` on, which the caller has checked lie in the file.
  WordTable(ContainerStream& stream, std::uint64_t start, std::uint32_t count)
      : stream_(stream), start_(start), count_(count) {}

  // Becomes the table of `count` words from `start` on, whose first word (when it has one)
  // the caller has read already as `first`.
  void Open(std::uint64_t start, std::uint32_t count, std::uint32_t first) {
    start_ = start;
    count_ = count;
    chunk_first_ = 0;
    chunk_count_ = count != 0 ? 1 : 0;
    StoreU32(chunk_.data(), first);
  }

  // Number of words.
  std::uint32_t size() const { return count_; }
  // Where the words begin in the file.
  std::uint64_t start() const { return start_; }
  // One word; 0 for an index not below size().
  std::uint32_t operator[](std::uint32_t index) {
    if (index - chunk_first_ < chunk_count_) {
      return LoadU32(chunk_.data() + std::size_t{index - chunk_first_} * 4);
    }
    return Fetch(index);
  }

 private:
  static constexpr std::uint32_t kChunkWords = 1024;
  std::uint32_t Fetch(std::uint32_t index);

  ContainerStream& stream_;
  std::uint64_t start_ = 0;
  std::uint32_t count_ = 0;
  std::uint32_t chunk_first_ = 0;
  std::uint32_t chunk_count_ = 0;
  std::array<std::uint8_t, kChunkWords * 4> chunk_;
};

}  // namespace tarnwick
