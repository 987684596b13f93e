#include "formats/part_reader.h"

#include <algorithm>
#include <cstring>

#include "formats/index_check.h"
#include "platform/bulk_copy.h"

namespace tarnwick {

namespace {

// The arrays the renderer receives (positions, second attributes, first attributes,
// indices), by their place among the eight.
constexpr int kSentArrays[4] = {0, 1, 4, 5};
// The part record's fixed fields: u32, u32 H2, u32, u32, u32 count of the name.
constexpr std::size_t kPartFixedBytes = 20;
// Arrays from this size on are copied with BulkCopy: a string move costs some tens of
// cycles to start.
constexpr std::size_t kBulkCopyFromBytes = 4096;

}  // namespace

bool PartReader::Read(std::uint64_t position, std::uint64_t& end) {
  // As a host writes a part, its record, name and arrays follow one another, and most
  // parts are small: the stream holds all of them at once, and whatever lies in what it
  // holds lies in the file. Such a part is decoded from it with no other check.
  const ContainerStream::Run run = bytes_.stream().RunFrom(position, kPartFixedBytes);
  const std::uint8_t* p = run.data;
  const std::uint64_t n = run.length;
  if (p != nullptr) {
    const std::uint32_t name_units = LoadU32(p + 16);
    const std::uint64_t second = kPartFixedBytes + std::uint64_t{name_units} * 2;
    const std::uint64_t arrays = 4 + std::uint64_t{LoadU32(p + 4)};
    Spans spans;
    std::uint64_t at = arrays;
    int k = 0;
    for (; k < 8 && at + 4 <= n; ++k) {
      spans.count[k] = LoadU32(p + at);
      spans.at[k] = position + at + 4;
      at += 4 + std::uint64_t{spans.count[k]} * 4;
    }
    if (k == 8 && at <= n && second + 4 <= n && second + 4 + 2 * std::uint64_t{LoadU32(p + second)} <= n) {
      end = position + at;
      return HandOn(position, FileText{p + kPartFixedBytes, name_units}, spans, p + arrays,
                    position + arrays);
    }
  }
  return ReadChecked(position, end);
}

bool PartReader::ReadChecked(std::uint64_t position, std::uint64_t& end) {
  const std::uint8_t* fixed = bytes_.Fixed(position, kPartFixedBytes);
  if (!fixed) return false;
  const std::uint64_t arrays_at = position + 4 + LoadU32(fixed + 4);
  const std::uint32_t name_units = LoadU32(fixed + 16);
  const std::uint64_t name_at = position + kPartFixedBytes;
  if (!bytes_.Fits(position + 16, name_at, name_units, 2)) return false;
  const std::uint64_t second_at = name_at + std::uint64_t{name_units} * 2;
  const std::uint8_t* second = bytes_.Fixed(second_at, 4);
  if (!second || !bytes_.Fits(second_at, second_at + 4, LoadU32(second), 2)) return false;
  Spans spans;
  if (!Measure(arrays_at, spans, end)) return false;
  // The name and the arrays lent from one run when the stream holds both, as it holds a
  // whole window or view; otherwise the name is copied and the arrays lent as they can be.
  ContainerStream& stream = bytes_.stream();
  const std::uint64_t low = std::min(name_at, arrays_at);
  const std::uint64_t high = std::max(second_at, end);
  if (high - low <= stream.MaxViewBytes()) {
    if (const std::uint8_t* both = stream.Bytes(low, high - low)) {
      return HandOn(position, FileText{both + (name_at - low), name_units}, spans,
                    both + (arrays_at - low), arrays_at);
    }
  }
  if (!bytes_.CopyText(name_at, name_units, name_)) return false;
  const std::uint8_t* base = nullptr;
  if (end - arrays_at <= stream.MaxViewBytes()) base = stream.Bytes(arrays_at, end - arrays_at);
  return HandOn(position, FileText{reinterpret_cast<const std::uint8_t*>(name_.data()), name_units},
                spans, base, arrays_at);
}

bool PartReader::Measure(std::uint64_t start, Spans& spans, std::uint64_t& end) {
  std::uint64_t at = start;
  for (int k = 0; k < 8; ++k) {
    const std::uint8_t* word = bytes_.Fixed(at, 4);
    if (!word || !bytes_.Fits(at, at + 4, LoadU32(word), 4)) return false;
    spans.count[k] = LoadU32(word);
    spans.at[k] = at + 4;
    at += 4 + std::uint64_t{spans.count[k]} * 4;
  }
  end = at;
  return true;
}

bool PartReader::HandOn(std::uint64_t position, const FileText& name, const Spans& spans,
                        const std::uint8_t* base, std::uint64_t base_at) {
  const void* data[4] = {};
  for (int k = 0; k < 4; ++k) {
    const int array = kSentArrays[k];
    if (spans.count[array] == 0) continue;
    const std::uint8_t* lent = base ? base + (spans.at[array] - base_at) : nullptr;
    data[k] = lent && reinterpret_cast<std::uintptr_t>(lent) % 4 == 0
                  ? lent
                  : Aligned(k, spans.count[array], spans.at[array], lent);
  }
  PartGeometry part;
  part.position = position;
  part.position_count = spans.count[0];
  part.positions = static_cast<const float*>(data[0]);
  part.attributes2_count = spans.count[1];
  part.attributes2 = data[1];
  part.attributes1_count = spans.count[4];
  part.attributes1 = data[2];
  part.index_count = spans.count[5];
  part.indices = static_cast<const std::uint32_t*>(data[3]);
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
