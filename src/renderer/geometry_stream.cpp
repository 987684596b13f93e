#include "renderer/geometry_stream.h"

#include <limits>
#include <numeric>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "platform/prefetch.h"
#include "platform/text.h"

namespace tarnwick {

const std::array<float, 16> kNodeMatrix = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};

namespace {

// The check runs at the speed of memory as long as memory keeps streaming: the
// processor's own prefetching stops at every 4 KiB page of a mapped file, where
// the loop would wait, so the line some way ahead is asked for explicitly.
bool IndicesBelow(const std::uint32_t* indices, std::uint32_t count, std::uint32_t limit) {
  constexpr std::size_t kAheadBytes = 2048;
  std::uint32_t i = 0;
  bool below = true;
#if defined(__SSE2__)
  // Unsigned comparison as a signed one, both sides shifted by 2^31.
  const __m128i shift = _mm_set1_epi32(std::numeric_limits<std::int32_t>::min());
  const __m128i bound = _mm_xor_si128(_mm_set1_epi32(static_cast<std::int32_t>(limit)), shift);
  __m128i all_below = _mm_set1_epi32(-1);
  for (; count - i >= 16; i += 16) {
    PrefetchAhead(indices + i, kAheadBytes);
    for (std::uint32_t k = 0; k < 16; k += 4) {
      const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(indices + i + k));
      all_below = _mm_and_si128(all_below, _mm_cmpgt_epi32(bound, _mm_xor_si128(v, shift)));
    }
  }
  below = _mm_movemask_epi8(all_below) == 0xFFFF;
#endif
  // The rest, and all of it on processors without SSE2: or-ing comparisons rather than
  // taking a maximum keeps the loop free of a long dependency chain.
  std::uint32_t beyond = 0;
  for (; i < count; ++i) beyond |= indices[i] >= limit ? 1u : 0u;
  return below && beyond == 0;
}

}  // namespace

std::u16string SolidNodeName(std::uint32_t solid_id) {
  return u"Solid_" + DecimalU16(static_cast<std::int32_t>(solid_id));
}

void SendPartTriangles(D5Session session, const std::u16string& part_name,
                       const PartGeometry& part, std::vector<std::uint32_t>& sequence) {
  constexpr std::uint32_t kMaxCount = std::numeric_limits<std::int32_t>::max();
  const std::uint32_t vertices = part.position_count / 3;
  if (part.index_count > kMaxCount) return;
  MeshDescriptor mesh{};
  mesh.first_count = static_cast<std::int32_t>(vertices);
  mesh.positions = part.position_count ? part.positions : nullptr;
  mesh.attributes1 = part.attributes1;
  mesh.attributes2 = part.attributes2;
  if (part.index_count > 0) {
    // The renderer would read positions outside the array.
    if (!IndicesBelow(part.indices, part.index_count, vertices)) return;
    mesh.index_count = static_cast<std::int32_t>(part.index_count);
    mesh.indices = part.indices;
  } else {
    if (sequence.size() < vertices) {
      const std::size_t known = sequence.size();
      sequence.resize(vertices);
      std::iota(sequence.begin() + static_cast<std::ptrdiff_t>(known), sequence.end(),
                static_cast<std::uint32_t>(known));
    }
    mesh.index_count = static_cast<std::int32_t>(vertices);
    mesh.indices = vertices ? sequence.data() : nullptr;
  }
  D5API_AddIndexedTriangle(session, part_name.c_str(), &mesh);
}

}  // namespace tarnwick
