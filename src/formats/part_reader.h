// Reading one part record of a solid (byte layout in container_reader.h) and
// handing it to the sink with its name and the four arrays the renderer
// takes: in place where the file's bytes are 4-byte aligned, copied into
// buffers kept for the body where they are not. The part's indices are
// checked against its vertices here, once per part record however many
// solids name it.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "formats/body_bytes.h"
#include "formats/body_limits.h"
#include "formats/model_sink.h"

namespace tarnwick {

class PartReader {
 public:
  // Parts read through `bytes`, charged to `budget`, handed to `sink`.
  PartReader(BodyBytes& bytes, BodyBudget& budget, ModelSink& sink)
      : bytes_(bytes), budget_(budget), sink_(sink) {}

  // Reads the part record at `position` and hands it on; `end` becomes the end of its
  // eighth array. False when it could not be read whole: nothing was handed on, or the
  // file failed while the sink took it, and the body stops.
  bool Read(std::uint64_t position, std::uint64_t& end);

 private:
  // The eight arrays: their counts and where their elements begin.
  struct Spans {
    std::uint32_t count[8];
    std::uint64_t at[8];
  };
  // A part record's index check, remembered by the record's position.
  struct CheckedPart {
    std::uint64_t position = UINT64_MAX;
    bool in_range = false;
  };
  static constexpr std::size_t kCheckedParts = 256;

  // Array `array` of the part, lent from `base` (which holds the file from `base_at` on, or
  // is null) where it lies on a 4-byte boundary, else copied into copy k; null when it is
  // empty or the file could not give it.
  const void* Lend(int k, const Spans& spans, int array, const std::uint8_t* base,
                   std::uint64_t base_at) {
    if (spans.count[array] == 0) return nullptr;
    const std::uint8_t* lent = base ? base + (spans.at[array] - base_at) : nullptr;
    if (lent && reinterpret_cast<std::uintptr_t>(lent) % 4 == 0) return lent;
    return Aligned(k, spans.count[array], spans.at[array], lent);
  }
  // Hands the part on: its indices checked, the work charged. False when the file could not
  // give its bytes or a bound is passed.
  bool HandOn(const FileText& name, PartGeometry& part);
  // The `count` words at `at`, which `lent` holds off a 4-byte boundary (or null: they are
  // fetched), copied aligned into copy k; null when the file could not give them (the body
  // stops).
  const void* Aligned(int k, std::uint32_t count, std::uint64_t at, const std::uint8_t* lent);
  // Whether the long index list of the part is in range, checked once per part record.
  bool IndicesInRange(const PartGeometry& part);

  BodyBytes& bytes_;
  BodyBudget& budget_;
  ModelSink& sink_;
  // Aligned copies of arrays 1, 2, 5 and 6 when the file's bytes cannot be lent as they are.
  std::array<std::vector<std::uint32_t>, 4> copies_;
  // A name that could not be lent together with the arrays.
  std::u16string name_;
  std::array<CheckedPart, kCheckedParts> checked_{};
};

}  // namespace tarnwick
