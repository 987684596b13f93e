// The range check of a part's indices: the renderer reads positions by them, so
// a part with an index beyond its vertices is not sent.
#pragma once

#include <cstdint>
#include <vector>

namespace tarnwick {

// The ways the check can run: a plain loop, SSE2 (every x86-64), AVX2.
enum class IndexCheckPath { kPlain, kSse2, kAvx2 };

// Lists up to this long are checked in a plain loop: choosing a path costs more.
inline constexpr std::uint32_t kShortIndexList = 32;

// Whether every one of `count` indices is below `limit`, on the fastest path this
// processor runs for a long list.
bool LongIndicesBelow(const std::uint32_t* indices, std::uint32_t count, std::uint32_t limit);

// Whether every one of `count` indices is below `limit`.
inline bool IndicesBelow(const std::uint32_t* indices, std::uint32_t count, std::uint32_t limit) {
  if (count > kShortIndexList) return LongIndicesBelow(indices, count, limit);
  // A loop that may end early is not vectorised: a part's three or six indices need no
  // vector set-up.
  for (std::uint32_t i = 0; i < count; ++i) {
    if (indices[i] >= limit) return false;
  }
  return true;
}

// The same on a given path; a path this processor cannot run falls back to the plain one.
bool IndicesBelowOn(IndexCheckPath path, const std::uint32_t* indices, std::uint32_t count,
                    std::uint32_t limit);

// The paths this processor runs, the plain one first.
std::vector<IndexCheckPath> AvailableIndexCheckPaths();

}  // namespace tarnwick
