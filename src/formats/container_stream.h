// A container file opened for reading (and, for the blank header, writing).
//
// The stream knows the file's size and its own position, so every read is
// checked against the bytes that remain: a read that the file cannot satisfy
// in full yields zeros, moves the position to the end of the file and fails,
// and a seek may go anywhere, beyond the end included, after which every read
// yields zeros. A file opened for reading is mapped read-only in views that
// follow the reader (see MappedFile) when it lies on a volume that cannot go
// away (see volume_kind.h), and every read that falls in the
// current view is served from it in place; when it cannot be mapped, reads
// are served from one large window of the file that is refilled from
// the position that misses it, and large reads that miss it go straight from
// the file into the caller's memory; a read that does not go on where the
// window ends refills only the page or so it needs. The stream can also stand
// over bytes in memory, read-only.
#pragma once

#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <span>
#include <string>

#include "platform/file_io.h"
#include "platform/mapped_file.h"

namespace tarnwick {

class ModelSink;

class ContainerStream {
 public:
  // Largest read window (allocated on the first read, at most the file's size and 4 KiB).
  // Measured: 2 MiB stays in the caches while the renderer takes the arrays from it;
  // 8 MiB made unaligned models a third slower.
  static constexpr std::size_t kWindowBytes = std::size_t{2} << 20;
  // Longest run of bytes that View can hand out from a window.
  static constexpr std::size_t kMaxViewBytes = kWindowBytes - 4096;
  // Least refill for a read that does not go on where the window ends.
  static constexpr std::size_t kJumpRefillBytes = 4096;

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
  // Current position; it may lie beyond the end after a seek.
  std::uint64_t Position() const { return position_; }
  // Bytes between the position and the end of the file (0 beyond the end).
  std::uint64_t Remaining() const { return position_ < size_ ? size_ - position_ : 0; }
  // Bytes read from the file into the window or the caller's memory so far (a mapped view
  // or bytes in memory fetch nothing themselves).
  std::uint64_t FetchedBytes() const { return fetched_bytes_; }
  // Whether a page of a mapped view could not be read (its volume went away): every read
  // fails from then on, and bytes handed out before may hold zeros.
  bool ReadFailed() const { return mapped_ && mapped_->Lost(); }

  // Moves to an absolute position; any value is accepted.
  void Seek(std::uint64_t position) { position_ = position; }
  // Moves the position on by a number of bytes.
  void Skip(std::uint64_t bytes) { position_ += bytes; }

  // Reads exactly n bytes; on failure `out` is zeroed and the position is at or past the end.
  bool Read(void* out, std::size_t n);
  // Reads n bytes at an offset without moving the position or refilling the window.
  bool ReadAt(std::uint64_t offset, void* out, std::size_t n);
  // The next n bytes inside the window, valid until the next call on the stream; the position
  // moves past them. Null, with the position unchanged, when they are not all in the file or
  // n exceeds MaxViewBytes().
  const std::uint8_t* View(std::size_t n);
  // Longest run of bytes that View can hand out: the whole file when it is mapped.
  std::uint64_t MaxViewBytes() const;

  // Little-endian values; 0 when the bytes are not in the file.
  std::uint8_t ReadU8();
  std::uint32_t ReadU32();
  std::int32_t ReadI32() { return static_cast<std::int32_t>(ReadU32()); }

  // A u32 count of elements of the given size; 0 when they would run past the end of the file.
  std::uint32_t ReadCount(std::uint32_t element_bytes);
  // `units` UTF-16LE code units; empty, with the position at the end, when they are not all in the file.
  std::u16string ReadUtf16(std::uint32_t units);
  // A u32 count of code units and the units; empty when they would run past the end.
  std::u16string ReadCountedString();
  // Passes over a counted string.
  void SkipCountedString();

  // Writes n bytes at the position; false when not all of them were written.
  bool Write(const void* data, std::size_t n);
  // Writes a u32 in little-endian order.
  bool WriteU32(std::uint32_t value);
  // Pushes written bytes to the file.
  bool Flush();

  // The sink told of refused counts and reads past the end (none: nobody is told).
  void SetNotices(ModelSink* sink) { notices_ = sink; }
  // Tells the notice sink of a count at `at` that is taken as 0.
  void NoteCountRefused(std::uint64_t at, std::uint32_t count);
  // Tells the notice sink of a read at `at` past the end of the file.
  void NoteReadPastEnd(std::uint64_t at);
  // Counts refused and reads past the end noted so far, told to a sink or not: a record
  // during whose reading this grew is not whole in the file.
  std::uint64_t ShortReads() const { return short_reads_; }

 private:
  // A run of the file's bytes that a refill fetches.
  struct FetchSpan {
    std::uint64_t start = 0;
    std::uint64_t length = 0;
  };

  explicit ContainerStream(std::FILE* file);
  bool RefillAt(std::uint64_t position, std::size_t needed);
  std::size_t ReadFromFile(std::uint64_t offset, void* out, std::size_t n);
  bool InWindow(std::uint64_t offset, std::size_t n) const;

  void Unmap();
  // Tells the mapped view's worker where the reader is, where a windowed stream would
  // refill: every window or so as the reader goes on, at every jump elsewhere.
  void FollowReader(std::uint64_t at, std::size_t n);
  // The bytes a refill for `needed` bytes at `position` fetches, after one that fetched `last`.
  FetchSpan NextFetch(std::uint64_t position, std::size_t needed, const FetchSpan& last) const;

  std::FILE* file_;
  std::uint64_t size_ = 0;
  std::uint64_t fetched_bytes_ = 0;
  FetchSpan followed_;  // what a windowed stream would hold now
  std::uint64_t position_ = 0;
  std::unique_ptr<MappedFile> mapped_;
  // The window's bytes: the mapped view, or window_.
  const std::uint8_t* window_data_ = nullptr;
  std::unique_ptr<std::uint8_t[]> window_;
  std::size_t window_capacity_ = 0;
  std::uint64_t window_start_ = 0;
  std::size_t window_length_ = 0;
  ModelSink* notices_ = nullptr;
  std::uint64_t short_reads_ = 0;
};

// Little-endian u32 from four bytes.
inline std::uint32_t LoadU32(const std::uint8_t* p) {
  return std::uint32_t{p[0]} | std::uint32_t{p[1]} << 8 | std::uint32_t{p[2]} << 16 |
         std::uint32_t{p[3]} << 24;
}

// `units` UTF-16LE code units from 2 * units bytes.
inline void DecodeUtf16Le(const std::uint8_t* p, char16_t* out, std::size_t units) {
  if constexpr (std::endian::native == std::endian::little) {
    // The header alone holds 100 names of 1,000 units: one copy, not a loop per unit.
    if (units != 0) std::memcpy(out, p, units * 2);
  } else {
    for (std::size_t i = 0; i < units; ++i) {
      out[i] = static_cast<char16_t>(p[2 * i] | p[2 * i + 1] << 8);
    }
  }
}

// 2 * units bytes of UTF-16LE from `units` code units.
inline void EncodeUtf16Le(const char16_t* text, std::size_t units, std::uint8_t* p) {
  if constexpr (std::endian::native == std::endian::little) {
    if (units != 0) std::memcpy(p, text, units * 2);
  } else {
    for (std::size_t i = 0; i < units; ++i) {
      p[2 * i] = static_cast<std::uint8_t>(text[i]);
      p[2 * i + 1] = static_cast<std::uint8_t>(text[i] >> 8);
    }
  }
}

// Four bytes of a little-endian u32.
inline void StoreU32(std::uint8_t* p, std::uint32_t value) {
  p[0] = static_cast<std::uint8_t>(value);
  p[1] = static_cast<std::uint8_t>(value >> 8);
  p[2] = static_cast<std::uint8_t>(value >> 16);
  p[3] = static_cast<std::uint8_t>(value >> 24);
}

// A counted table of u32 words (a u32 count, then the words), read in small chunks so
// that a long table costs no memory and leaves the window where it is. Construction
// reads the count (0 when the words would run past the end) and leaves the stream just
// past the table.
class WordTable {
 public:
  explicit WordTable(ContainerStream& stream);

  // Number of words.
  std::uint32_t size() const { return count_; }
  // One word; 0 for an index not below size().
  std::uint32_t operator[](std::uint32_t index);

 private:
  static constexpr std::uint32_t kChunkWords = 1024;
  ContainerStream& stream_;
  std::uint64_t start_ = 0;
  std::uint32_t count_ = 0;
  std::uint32_t chunk_first_ = 0;
  std::uint32_t chunk_count_ = 0;
  std::array<std::uint8_t, kChunkWords * 4> chunk_;
};

}  // namespace tarnwick
