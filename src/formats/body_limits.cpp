#include "formats/body_limits.h"

#include <algorithm>

#include "formats/container_stream.h"

namespace tarnwick {

// Each bound is some four times what the densest file a host writes needs of its kind
// (a solid record with its table entry takes at least 41 bytes, a part with its arrays'
// counts 60, a line of text some 20), and small enough that the whole body, every kind
// at its bound, costs well under a second per 16 MB of file.
const std::array<WorkBound, kWorkKinds> kWorkBounds = {{
    {"table entries looked at", "1 per 2 bytes", 1, 2, 32768},
    {"records visited", "1 per 12 bytes", 1, 12, 8192},
    {"units of text parsed", "4 per byte", 4, 1, 1 << 19},
    {"units of part names handed on", "2 per byte", 2, 1, 1 << 16},
    {"indices checked", "4 per byte", 4, 1, 1 << 20},
    {"removal ids read", "1 per byte", 1, 1, 1 << 16},
    // No renderer on a workstation holds more: honest instancing hands on gigabytes.
    {"bytes of arrays handed on", "64 per byte, at least 64 GiB", 64, 1, std::uint64_t{64} << 30},
}};

std::uint64_t WorkLimit(WorkKind kind, std::uint64_t file_size) {
  const WorkBound& bound = kWorkBounds[static_cast<std::size_t>(kind)];
  return std::max(bound.floor, file_size / bound.per_byte_den * bound.per_byte_num);
}

BodyBudget::BodyBudget(std::uint64_t file_size, std::uint64_t body_start, ModelSink& sink)
    : file_size_(file_size), body_start_(body_start), sink_(sink) {
  for (std::size_t k = 0; k < kWorkKinds; ++k) {
    limits_[k] = WorkLimit(static_cast<WorkKind>(k), file_size);
  }
}

bool BodyBudget::Spent() {
  if (told_) return false;
  told_ = true;
  std::size_t k = 0;
  while (k + 1 < kWorkKinds && work_.done[k] <= limits_[k]) ++k;
  const WorkBound& bound = kWorkBounds[k];
  sink_.OnBodyAbandoned("the body at " + std::to_string(body_start_) + " needs more than " +
                        std::to_string(limits_[k]) + " " + bound.what + " (" + bound.rate +
                        " of the file's " + std::to_string(file_size_) +
                        " bytes); reading stopped after " + std::to_string(work_.done[k]));
  return false;
}

void TableVisits::Forget() {
  remembering_ = false;
  seen_.clear();
}

bool TableVisits::Remembered(std::uint32_t offset, WordTable& table, std::uint32_t index,
                             BodyBudget& budget) {
  if (!remembering_) {
    // The first entry that goes back: the ones before it ascend, so each was new; from
    // here on every offset is remembered.
    remembering_ = true;
    for (std::uint32_t i = 0; i < index && seen_.size() < kMaxRemembered; i += stride_) {
      budget.Charge(WorkKind::kEntries, 1);
      seen_.insert(table[i]);
    }
  }
  if (seen_.size() >= kMaxRemembered) return seen_.count(offset) == 0;
  return seen_.insert(offset).second;
}

}  // namespace tarnwick
