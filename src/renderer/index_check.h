// The range check of a part's indices: the renderer reads positions by them, so
// a part with an index beyond its vertices is not sent.
#pragma once

#include <cstdint>
#include <vector>

namespace tarnwick {

// The ways the check can run: a plain loop, SSE2 (every x86-64), AVX2.
enum class IndexCheckPath { kPlain, kSse2, kAvx2 };

// Whether every one of `count` indices is below `limit`, on the fastest path this
// processor runs.
bool IndicesBelow(const std::uint32_t* indices, std::uint32_t count, std::uint32_t limit);

// The same on a given path; a path this processor cannot run falls back to the plain one.
bool IndicesBelowOn(IndexCheckPath path, const std::uint32_t* indices, std::uint32_t count,
                    std::uint32_t limit);

// The paths this processor runs, the plain one first.
std::vector<IndexCheckPath> AvailableIndexCheckPaths();

}  // namespace tarnwick
