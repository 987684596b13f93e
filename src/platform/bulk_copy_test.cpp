#include "platform/bulk_copy.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace tarnwick {
namespace {

// Fills both buffers, copies n bytes between the offsets, and tells whether exactly those
// bytes changed.
template <typename Copy>
bool CopiesExactly(Copy copy, std::size_t from_at, std::size_t to_at, std::size_t n) {
  std::vector<std::uint8_t> from(n + 16), to(n + 16, 0xEE);
  for (std::size_t i = 0; i < from.size(); ++i) from[i] = static_cast<std::uint8_t>(i * 37 + 11);
  copy(to.data() + to_at, from.data() + from_at, n);
  for (std::size_t i = 0; i < to.size(); ++i) {
    const bool inside = i >= to_at && i < to_at + n;
    if (to[i] != (inside ? from[from_at + (i - to_at)] : 0xEE)) return false;
  }
  return true;
}

TEST(BulkCopy, EveryLengthAndAlignmentCopiesExactlyItsBytes) {
  const std::size_t lengths[] = {0, 1, 3, 4, 7, 63, 64, 65, 127, 128, 4095, 4096, 4097, 70001};
  for (const std::size_t n : lengths) {
    for (std::size_t from_at = 0; from_at < 8; ++from_at) {
      for (std::size_t to_at = 0; to_at < 8; ++to_at) {
        ASSERT_TRUE(CopiesExactly(BulkCopy, from_at, to_at, n)) << n << " " << from_at << " " << to_at;
#if defined(TARNWICK_HAS_STRING_MOVE)
        // The string move is tested even where the sanitizer has BulkCopy use memcpy.
        ASSERT_TRUE(CopiesExactly(CopyByStringMove, from_at, to_at, n))
            << n << " " << from_at << " " << to_at;
#endif
      }
    }
  }
}

}  // namespace
}  // namespace tarnwick
