#include "renderer/checked_parts.h"

namespace tarnwick {

CheckedParts::CheckedParts() = default;
CheckedParts::~CheckedParts() = default;

void CheckedParts::Begin(const FileStamp& stamp) {
  stamp_ = stamp;
  // Release: an export that sees the results begun sees the stamp they were made on.
  begun_.store(true, std::memory_order_release);
}

bool CheckedParts::Add(const CheckedPart& part) {
  if (!Wanted()) return false;
  const std::size_t at = published_.load(std::memory_order_relaxed);
  const std::size_t block = at / kBlockParts;
  if (block >= kMaxBlocks) return false;
  // Blocks are made as they are needed: a small model costs one, not the whole 7 MiB.
  if (!blocks_[block]) blocks_[block] = std::make_unique<Block>();
  (*blocks_[block])[at % kBlockParts] = part;
  published_.store(at + 1, std::memory_order_release);
  return true;
}

bool CheckedParts::MadeOn(const FileStamp& stamp) const {
  return begun_.load(std::memory_order_acquire) && stamp_ == stamp;
}

const CheckedPart* CheckedParts::Take(std::uint64_t position) {
  if (overtaken_.load(std::memory_order_relaxed)) return nullptr;
  // Waiting would cost more than reading: the checker has no lead left. A record of another
  // part means the two readings have parted, and every later record would be another's too.
  const CheckedPart* part = next_ < published_.load(std::memory_order_acquire)
                                ? &(*blocks_[next_ / kBlockParts])[next_ % kBlockParts]
                                : nullptr;
  if (part == nullptr || part->position != position) {
    overtaken_.store(true, std::memory_order_relaxed);
    return nullptr;
  }
  ++next_;
  return part;
}

}  // namespace tarnwick
