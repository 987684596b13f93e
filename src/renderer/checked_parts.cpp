#include "renderer/checked_parts.h"

namespace tarnwick {

CheckedParts::CheckedParts() = default;
CheckedParts::~CheckedParts() = default;

void CheckedParts::Begin(const FileStamp& stamp) {
  stamp_ = stamp;
  // Release: an export that sees the results begun sees the stamp they were made on.
  begun_.store(true, std::memory_order_release);
}

bool CheckedParts::Add(std::uint64_t position, std::uint32_t count, std::uint32_t limit,
                       std::optional<bool> below) {
  if (!Wanted()) return false;
  const std::size_t at = published_.load(std::memory_order_relaxed);
  const std::size_t block = at / kBlockParts;
  if (block >= kMaxBlocks) return false;
  // Blocks are made as they are needed: a small model costs 64 KiB, not the whole 4 MiB.
  if (!blocks_[block]) blocks_[block] = std::make_unique<Block>();
  (*blocks_[block])[at % kBlockParts] = Result{position, count, limit, below};
  published_.store(at + 1, std::memory_order_release);
  return true;
}

bool CheckedParts::MadeOn(const FileStamp& stamp) const {
  return begun_.load(std::memory_order_acquire) && stamp_ == stamp;
}

std::optional<bool> CheckedParts::Next(std::uint64_t position, std::uint32_t count,
                                       std::uint32_t limit) {
  if (overtaken_.load(std::memory_order_relaxed)) return std::nullopt;
  if (next_ >= published_.load(std::memory_order_acquire)) {
    // Waiting would cost more than checking: the checker has no lead left.
    overtaken_.store(true, std::memory_order_relaxed);
    return std::nullopt;
  }
  const Result& result = (*blocks_[next_ / kBlockParts])[next_ % kBlockParts];
  ++next_;
  if (result.position != position || result.count != count || result.limit != limit) {
    return std::nullopt;
  }
  return result.below;
}

}  // namespace tarnwick
