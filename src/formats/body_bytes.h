// The bytes of one body as its reader takes them: each record's fixed fields
// in one run, each count checked against the bytes that remain before
// anything it counts is touched. The first read the file cannot satisfy (a
// record or count that runs past its end, a page that cannot be read) stops
// the body: the sink hears of it once, and nothing after it is handed on.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "formats/container_stream.h"
#include "formats/model_sink.h"

namespace tarnwick {

class BodyBytes {
 public:
  // Longest run of text copied at a time.
  static constexpr std::size_t kTextChunkBytes = std::size_t{1} << 20;

  BodyBytes(ContainerStream& stream, ModelSink& sink)
      : stream_(stream), sink_(sink), size_(stream.Size()) {}

  // The bytes [at, at + n) in place, valid until the next read; null when they are not all
  // in the file or it cannot give them, and the body stops.
  const std::uint8_t* Fixed(std::uint64_t at, std::size_t n) {
    if (const std::uint8_t* bytes = stream_.Bytes(at, n)) return bytes;
    StopAt(at, n);
    return nullptr;
  }
  // Whether `count` elements of `element_bytes` from `at` lie in the file; when they do not,
  // the count (which stands at `count_at`) is refused and the body stops.
  bool Fits(std::uint64_t count_at, std::uint64_t at, std::uint32_t count,
            std::uint32_t element_bytes) {
    if (at <= size_ && std::uint64_t{count} * element_bytes <= size_ - at) return true;
    Refuse(count_at, count);
    return false;
  }
  // The `units` UTF-16LE code units at `at` (checked with Fits) into `out`; false when the
  // file cannot give them, and the body stops.
  bool CopyText(std::uint64_t at, std::uint32_t units, std::u16string& out);
  // True while the body goes on and every byte read so far was the file's: false once a
  // page of a mapped view was lost (the body then stops).
  bool Readable() {
    if (!stopped_ && !stream_.ReadFailed()) return true;
    Fail();
    return false;
  }
  // Stops the body: the file could not give bytes that it holds.
  void Fail();
  // Stops the body: the count at `count_at` runs past the end of the file.
  void Refuse(std::uint64_t count_at, std::uint32_t count);
  // The file's size as it was at open.
  std::uint64_t size() const { return size_; }
  // Whether the body has stopped.
  bool stopped() const { return stopped_; }
  // The stream read.
  ContainerStream& stream() { return stream_; }

 private:
  void StopAt(std::uint64_t at, std::size_t n);

  ContainerStream& stream_;
  ModelSink& sink_;
  std::uint64_t size_;
  bool stopped_ = false;
};

}  // namespace tarnwick
