// The bytes of one body as its reader takes them: each record's fixed fields
// in one run, each count checked against the bytes that remain before
// anything it counts is touched. The first read the file cannot satisfy (a
// record or count that runs past its end, a page that cannot be read) stops
// the body: the sink hears of it once, and nothing after it is handed on.
#pragma once

#include <cstddef>
#include <algorithm>
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

// One record's fields decoded from one run of the file's bytes, fetched once: a field
// that lies beyond the run is fetched on its own, and the run is given up from then on,
// since fetching may have moved the stream's window.
class RecordRun {
 public:
  // Bytes fetched at once for a record: its fixed fields and, for small parts, its arrays.
  static constexpr std::size_t kRunBytes = 1024;

  // The run of bytes from `at` on, as far as the file and kRunBytes go.
  RecordRun(BodyBytes& bytes, std::uint64_t at) : bytes_(bytes), start_(at) {
    const std::uint64_t size = bytes.size();
    const std::uint64_t length = at < size ? std::min<std::uint64_t>(size - at, kRunBytes) : 0;
    data_ = length != 0 ? bytes.stream().Bytes(at, static_cast<std::size_t>(length)) : nullptr;
    length_ = data_ != nullptr ? static_cast<std::size_t>(length) : 0;
  }

  // The bytes [at, at + n): from the run, or fetched on their own (null, and the body
  // stops, when the file cannot give them).
  const std::uint8_t* Field(std::uint64_t at, std::size_t n) {
    if (Holds(at, n)) return data_ + (at - start_);
    length_ = 0;
    return bytes_.Fixed(at, n);
  }
  // The run's bytes, where they begin in the file, and how many it still holds.
  const std::uint8_t* data() const { return data_; }
  std::uint64_t start() const { return start_; }
  std::size_t length() const { return length_; }
  // Whether the run still holds [at, at + n).
  bool Holds(std::uint64_t at, std::uint64_t n) const {
    return at - start_ <= length_ && n <= length_ - (at - start_);
  }

 private:
  BodyBytes& bytes_;
  std::uint64_t start_;
  const std::uint8_t* data_ = nullptr;
  std::size_t length_ = 0;
};

}  // namespace tarnwick
