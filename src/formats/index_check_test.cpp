#include "formats/index_check.h"

#include <gtest/gtest.h>

#include <vector>

namespace tarnwick {
namespace {

// Every path the processor runs, on lists of every length around the blocks of 16 and 32,
// with one bad index at every place: indices of 2^31 and more must not pass as negative
// numbers, and an index equal to the limit is beyond it.
TEST(IndexCheck, EveryPathFindsOneBadIndexAnywhere) {
  constexpr std::uint32_t kLimit = 5;
  const std::vector<IndexCheckPath> paths = AvailableIndexCheckPaths();
  ASSERT_EQ(paths.front(), IndexCheckPath::kPlain);
  for (const IndexCheckPath path : paths) {
    for (const std::uint32_t length : {0u, 1u, 15u, 16u, 17u, 31u, 32u, 33u, 63u, 64u, 65u, 600u}) {
      std::vector<std::uint32_t> indices(length);
      for (std::uint32_t i = 0; i < length; ++i) indices[i] = i % kLimit;
      ASSERT_TRUE(IndicesBelowOn(path, indices.data(), length, kLimit)) << length;
      for (const std::uint32_t bad : {kLimit, 0x7FFFFFFFu, 0x80000000u, 0xFFFFFFFFu}) {
        for (std::uint32_t at = 0; at < length; ++at) {
          const std::uint32_t kept = indices[at];
          indices[at] = bad;
          EXPECT_FALSE(IndicesBelowOn(path, indices.data(), length, kLimit))
              << static_cast<int>(path) << ": " << length << " " << bad << " at " << at;
          indices[at] = kept;
        }
      }
    }
  }
}

// The check the reader makes chooses a path by the list's length: short lists and long
// ones alike find one bad index anywhere.
TEST(IndexCheck, TheReadersCheckFindsOneBadIndexInListsOfEveryLength) {
  for (const std::uint32_t length : {1u, kShortIndexList, kShortIndexList + 1, 600u}) {
    std::vector<std::uint32_t> indices(length);
    for (std::uint32_t i = 0; i < length; ++i) indices[i] = i % 5;
    EXPECT_TRUE(IndicesBelow(indices.data(), length, 5)) << length;
    for (const std::uint32_t at : {0u, length / 2, length - 1}) {
      indices[at] = 0x80000000u;
      EXPECT_FALSE(IndicesBelow(indices.data(), length, 5)) << length << " at " << at;
      indices[at] = 5;
      EXPECT_FALSE(IndicesBelow(indices.data(), length, 5)) << length << " at " << at;
      indices[at] = 4;
    }
  }
}

TEST(IndexCheck, NoIndexIsBelowALimitOfZero) {
  const std::vector<std::uint32_t> zeros(100, 0);
  for (const IndexCheckPath path : AvailableIndexCheckPaths()) {
    EXPECT_FALSE(IndicesBelowOn(path, zeros.data(), 100, 0)) << static_cast<int>(path);
    EXPECT_TRUE(IndicesBelowOn(path, zeros.data(), 0, 0)) << static_cast<int>(path);
  }
}

}  // namespace
}  // namespace tarnwick
