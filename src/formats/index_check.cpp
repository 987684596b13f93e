#include "formats/index_check.h"

#include <limits>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#if (defined(__GNUC__) || defined(__clang__)) && defined(__x86_64__)
#include <immintrin.h>
#define TARNWICK_INDEX_CHECK_AVX2 1
#endif

#include "platform/prefetch.h"

namespace tarnwick {

namespace {

// The check runs at the speed of memory as long as memory keeps streaming: the
// processor's own prefetching stops at every 4 KiB page of a mapped file, where
// the loop would wait, so the line some way ahead is asked for explicitly. With
// AVX2 the loop waits on memory alone, and asking further ahead keeps more lines
// coming at once: the aligned 1 GiB export took 52.6 and 57.4 ms asking 8 KiB
// ahead, 57.6 and 60.8 asking 2 KiB ahead (4 KiB: 57.3 against 57.6).
constexpr std::size_t kAheadBytes = 8192;

// Or-ing comparisons rather than taking a maximum keeps the loop free of a long
// dependency chain.
bool PlainBelow(const std::uint32_t* indices, std::uint32_t count, std::uint32_t limit) {
  std::uint32_t beyond = 0;
  for (std::uint32_t i = 0; i < count; ++i) beyond |= indices[i] >= limit ? 1u : 0u;
  return beyond == 0;
}

#if defined(__SSE2__)
bool Sse2Below(const std::uint32_t* indices, std::uint32_t count, std::uint32_t limit) {
  // SSE2 compares signed numbers only: both sides are shifted by 2^31.
  const __m128i shift = _mm_set1_epi32(std::numeric_limits<std::int32_t>::min());
  const __m128i bound = _mm_xor_si128(_mm_set1_epi32(static_cast<std::int32_t>(limit)), shift);
  __m128i all_below = _mm_set1_epi32(-1);
  std::uint32_t i = 0;
  for (; count - i >= 16; i += 16) {
    PrefetchAhead(indices + i, kAheadBytes);
    for (std::uint32_t k = 0; k < 16; k += 4) {
      const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(indices + i + k));
      all_below = _mm_and_si128(all_below, _mm_cmpgt_epi32(bound, _mm_xor_si128(v, shift)));
    }
  }
  return _mm_movemask_epi8(all_below) == 0xFFFF && PlainBelow(indices + i, count - i, limit);
}
#endif

#if defined(TARNWICK_INDEX_CHECK_AVX2)
// Unsigned maxima of eight indices at a time, one instruction per 32 bytes: the SSE2
// loop needs three for 16, and from the shared cache it waited on them rather than on
// memory.
__attribute__((target("avx2"))) bool Avx2Below(const std::uint32_t* indices, std::uint32_t count,
                                               std::uint32_t limit) {
  __m256i max[4] = {_mm256_setzero_si256(), _mm256_setzero_si256(), _mm256_setzero_si256(),
                    _mm256_setzero_si256()};
  std::uint32_t i = 0;
  for (; count - i >= 32; i += 32) {
    PrefetchAhead(indices + i, kAheadBytes);
    PrefetchAhead(indices + i + 16, kAheadBytes);
    for (int k = 0; k < 4; ++k) {
      const __m256i v = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(indices + i + 8 * k));
      max[k] = _mm256_max_epu32(max[k], v);
    }
  }
  const __m256i all = _mm256_max_epu32(_mm256_max_epu32(max[0], max[1]), _mm256_max_epu32(max[2], max[3]));
  __m128i half = _mm_max_epu32(_mm256_castsi256_si128(all), _mm256_extracti128_si256(all, 1));
  half = _mm_max_epu32(half, _mm_shuffle_epi32(half, 0x4E));
  half = _mm_max_epu32(half, _mm_shuffle_epi32(half, 0xB1));
  const auto largest = static_cast<std::uint32_t>(_mm_cvtsi128_si32(half));
  return (i == 0 || largest < limit) && PlainBelow(indices + i, count - i, limit);
}

bool HasAvx2() {
  static const bool has = [] {
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx2") != 0;
  }();
  return has;
}
#endif

bool Runs(IndexCheckPath path) {
  switch (path) {
    case IndexCheckPath::kPlain:
      return true;
    case IndexCheckPath::kSse2:
#if defined(__SSE2__)
      return true;
#else
      return false;
#endif
    case IndexCheckPath::kAvx2:
#if defined(TARNWICK_INDEX_CHECK_AVX2)
      return HasAvx2();
#else
      return false;
#endif
  }
  return false;
}

}  // namespace

bool IndicesBelowOn(IndexCheckPath path, const std::uint32_t* indices, std::uint32_t count,
                    std::uint32_t limit) {
  if (!Runs(path)) path = IndexCheckPath::kPlain;
  switch (path) {
#if defined(TARNWICK_INDEX_CHECK_AVX2)
    case IndexCheckPath::kAvx2:
      return Avx2Below(indices, count, limit);
#endif
#if defined(__SSE2__)
    case IndexCheckPath::kSse2:
      return Sse2Below(indices, count, limit);
#endif
    default:
      return PlainBelow(indices, count, limit);
  }
}

bool LongIndicesBelow(const std::uint32_t* indices, std::uint32_t count, std::uint32_t limit) {
  static const IndexCheckPath fastest = AvailableIndexCheckPaths().back();
  return IndicesBelowOn(fastest, indices, count, limit);
}

std::vector<IndexCheckPath> AvailableIndexCheckPaths() {
  std::vector<IndexCheckPath> paths;
  for (const IndexCheckPath path : {IndexCheckPath::kPlain, IndexCheckPath::kSse2, IndexCheckPath::kAvx2}) {
    if (Runs(path)) paths.push_back(path);
  }
  return paths;
}

}  // namespace tarnwick
