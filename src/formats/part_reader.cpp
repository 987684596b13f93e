#include "formats/part_reader.h"

#include <algorithm>
#include <cstring>

#include "formats/index_check.h"
#include "platform/bulk_copy.h"

namespace tarnwick {

namespace {

// The part record's fixed fields: u32, u32 H2, u32, u32, u32 count of the name.
constexpr std::size_t kPartFixedBytes = 20;
// Arrays from this size on are copied with BulkCopy: a string move costs some tens of
// cycles to start.
constexpr std::size_t kBulkCopyFromBytes = 4096;

}  // namespace

bool PartReader::Read(std::uint64_t position, std::uint64_t& end) {
  // As a host writes a part, its record, name and arrays follow one another: most parts
  // lie whole in the bytes the stream holds at once, and need no other check.
  RecordFields fields(bytes_);
  const std::uint8_t* fixed = fields.Begin(position, kPartFixedBytes);
  if (!fixed) return false;
  const std::uint64_t arrays_at = position + 4 + LoadU32(fixed + 4);
  const std::uint64_t name_at = position + kPartFixedBytes;
  std::uint32_t name_units = 0, second_units = 0;
  std::uint64_t second_at = 0, second_end = 0;
  if (!fields.Count(position + 16, 2, name_units, second_at) ||
      !fields.Count(second_at, 2, second_units, second_end)) {
    return false;
  }
  Spans spans;
  if (!fields.Arrays(arrays_at, 4, 8, spans.count, spans.at, end)) return false;
  // The name and the arrays lent from one run when the stream holds both, as it holds a
  // whole window or view; otherwise the name is copied and the arrays lent as they can be.
  ContainerStream& stream = bytes_.stream();
  const std::uint64_t low = std::min(name_at, arrays_at);
  const std::uint64_t high = std::max(second_at, end);
  const std::uint8_t* both = fields.Lent(low, high - low);
  FileText name{both ? both + (name_at - low) : nullptr, name_units};
  const std::uint8_t* base = both ? both + (arrays_at - low) : nullptr;
  if (both == nullptr) {
    if (!bytes_.CopyText(name_at, name_units, name_)) return false;
    name.bytes = reinterpret_cast<const std::uint8_t*>(name_.data());
    base = stream.Bytes(arrays_at, end - arrays_at);
  }
  PartGeometry part;
  part.position = position;
  part.position_count = spans.count[0];
  part.positions = static_cast<const float*>(Lend(0, spans, 0, base, arrays_at));
  part.attributes2_count = spans.count[1];
  part.attributes2 = Lend(1, spans, 1, base, arrays_at);
  part.attributes1_count = spans.count[4];
  part.attributes1 = Lend(2, spans, 4, base, arrays_at);
  part.index_count = spans.count[5];
  part.indices = static_cast<const std::uint32_t*>(Lend(3, spans, 5, base, arrays_at));
  return HandOn(name, part);
}

inline bool PartReader::HandOn(const FileText& name, PartGeometry& part) {
  budget_.Charge(WorkKind::kNames, name.units);
  budget_.Charge(WorkKind::kArrayBytes, 4 * (std::uint64_t{part.position_count} +
                                             part.attributes1_count + part.attributes2_count +
                                             part.index_count));
  if (part.index_count < kRememberedCheckIndices) {
    budget_.Charge(WorkKind::kIndices, part.index_count);
    part.indices_in_range = IndicesBelow(part.indices, part.index_count, part.position_count / 3);
  } else {
    part.indices_in_range = IndicesInRange(part);
  }
  // Bytes of a lost page read as zeros: they are not handed on, and a solid whose part the
  // renderer took from such a page is not whole. Nor is a part past a bound.
  if (!bytes_.Readable() || !budget_.Allows()) return false;
  sink_.OnPart(name, part);
  return true;
}

const void* PartReader::Aligned(int k, std::uint32_t count, std::uint64_t at,
                                const std::uint8_t* lent) {
  // The renderer is handed aligned arrays, as a host's buffers would be.
  std::vector<std::uint32_t>& copy = copies_[k];
  if (copy.size() < count) copy.resize(count);
  const std::size_t bytes = std::size_t{count} * 4;
  if (!lent) {
    if (bytes_.stream().ReadAt(at, copy.data(), bytes)) return copy.data();
    bytes_.Fail();
    return nullptr;
  }
  if (bytes >= kBulkCopyFromBytes) {
    BulkCopy(copy.data(), lent, bytes);
  } else {
    // Small arrays word by word: a call to copy a dozen bytes costs more than the copy.
    for (std::uint32_t i = 0; i < count; ++i) std::memcpy(&copy[i], lent + 4 * i, 4);
  }
  return copy.data();
}

bool PartReader::IndicesInRange(const PartGeometry& part) {
  // A long list is checked once per record, however many solids name the part.
  CheckedPart& checked = checked_[(part.position >> 2) % kCheckedParts];
  if (checked.position != part.position) {
    budget_.Charge(WorkKind::kIndices, part.index_count);
    checked = {part.position, IndicesBelow(part.indices, part.index_count, part.position_count / 3)};
  }
  return checked.in_range;
}

}  // namespace tarnwick
