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
  const std::uint8_t* Fixed(std::uint64_t at, std::size_t n) { return RunFrom(at, n).data; }
  // The bytes from `at` on that the stream holds at once, at least `n` of them, valid until
  // the next read; no data when they are not all in the file or it cannot give them, and the
  // body stops.
  ContainerStream::Run RunFrom(std::uint64_t at, std::size_t n) {
    const ContainerStream::Run run = stream_.RunFrom(at, n);
    if (run.data == nullptr) StopAt(at, n);
    return run;
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
  // Stops the body: the `n` bytes at `at` could not be had, past the file's end or not.
  void StopAt(std::uint64_t at, std::size_t n);
  // Longest field copied by CopyField.
  static constexpr std::size_t kFieldBytes = 32;
  // The `n` bytes at `at` (at most kFieldBytes) copied without moving the stream's window,
  // valid until the next copy; null when they are not all in the file (the body stops).
  const std::uint8_t* CopyField(std::uint64_t at, std::size_t n);
  // The file's size as it was at open.
  std::uint64_t size() const { return size_; }
  // Whether the body has stopped.
  bool stopped() const { return stopped_; }
  // The stream read.
  ContainerStream& stream() { return stream_; }

 private:
  ContainerStream& stream_;
  ModelSink& sink_;
  std::uint64_t size_;
  bool stopped_ = false;
  std::uint8_t field_[kFieldBytes];
};

// The fields of one record, read from the run of bytes that the stream holds from the
// record's start on: a field, or a count's elements, inside it costs one comparison, as
// whatever lies in the run lies in the file. A field past the run is copied out of the
// file, and a count whose elements end past it is checked against the file. Fields lie at
// or after the record's start; the record's reader makes no other read meanwhile.
class RecordFields {
 public:
  explicit RecordFields(BodyBytes& bytes) : bytes_(bytes) {}

  // The record at `at`: its first `n` bytes in place; null when they are not all in the
  // file (the body stops).
  const std::uint8_t* Begin(std::uint64_t at, std::size_t n) {
    run_ = bytes_.RunFrom(at, n);
    run_at_ = at;
    return run_.data;
  }
  // The `n` bytes at `at`, which lies at or after the record's start: in place inside the
  // run, else copied (BodyBytes::kFieldBytes at most); null when they are not all in the
  // file (the body stops).
  const std::uint8_t* At(std::uint64_t at, std::size_t n) {
    const std::uint64_t into = at - run_at_;
    return into + n <= run_.length ? run_.data + into : bytes_.CopyField(at, n);
  }
  // The `n` bytes at `at`, which lies at or after the record's start, in place: inside the
  // run, else as the stream gives them (see ContainerStream::Bytes); null when it cannot.
  const std::uint8_t* Lent(std::uint64_t at, std::uint64_t n) {
    const std::uint64_t into = at - run_at_;
    return into + n <= run_.length ? run_.data + into : bytes_.stream().Bytes(at, n);
  }
  // The count at `count_at` of elements of `element_bytes` that follow it, and `end` where
  // they end; false when the count or its elements are not all in the file (the body stops).
  bool Count(std::uint64_t count_at, std::uint32_t element_bytes, std::uint32_t& count,
             std::uint64_t& end) {
    const std::uint8_t* word = At(count_at, 4);
    if (word == nullptr) return false;
    count = LoadU32(word);
    end = count_at + 4 + std::uint64_t{count} * element_bytes;
    return end - run_at_ <= run_.length ||
           bytes_.Fits(count_at, count_at + 4, count, element_bytes);
  }

  // The `n` counted arrays of `element_bytes` that follow one another from `at`: each one's
  // count and where its elements begin, and `end` after the last; false when one of them is
  // not all in the file (the body stops).
  bool Arrays(std::uint64_t at, std::uint32_t element_bytes, int n, std::uint32_t* counts,
              std::uint64_t* starts, std::uint64_t& end) {
    // Each count inside the run shows the elements before it to lie in the file. A count's
    // place is kept as its distance into the run: the next is one add from the count's load,
    // which is all that the walk waits for at each step.
    std::uint64_t into = at - run_at_;
    for (int k = 0; k < n; ++k) {
      if (into + 4 > run_.length) return ArraysChecked(at, element_bytes, n, counts, starts, end);
      counts[k] = LoadU32(run_.data + into);
      starts[k] = run_at_ + into + 4;
      into += 4 + std::uint64_t{counts[k]} * element_bytes;
    }
    end = run_at_ + into;
    return into <= run_.length || ArraysChecked(at, element_bytes, n, counts, starts, end);
  }

 private:
  bool ArraysChecked(std::uint64_t at, std::uint32_t element_bytes, int n, std::uint32_t* counts,
                     std::uint64_t* starts, std::uint64_t& end) {
    end = at;
    for (int k = 0; k < n; ++k) {
      starts[k] = end + 4;
      if (!Count(end, element_bytes, counts[k], end)) return false;
    }
    return true;
  }

  // Kept in registers while the record is read: nothing else sees the object.
  BodyBytes& bytes_;
  ContainerStream::Run run_{nullptr, 0};
  std::uint64_t run_at_ = 0;
};

}  // namespace tarnwick
