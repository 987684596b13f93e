#include "renderer/geometry_stream.h"

#include <limits>
#include <numeric>

#include "platform/text.h"
#include "renderer/index_check.h"

namespace tarnwick {

const std::array<float, 16> kNodeMatrix = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};

std::u16string SolidNodeName(std::uint32_t solid_id) {
  return u"Solid_" + DecimalU16(static_cast<std::int32_t>(solid_id));
}

namespace {

// Parts longer than this are not sent: the renderer takes its counts as signed.
constexpr std::uint32_t kMaxCount = std::numeric_limits<std::int32_t>::max();

}  // namespace

std::optional<std::uint32_t> IndexLimitOf(const PartGeometry& part) {
  if (part.index_count == 0 || part.index_count > kMaxCount) return std::nullopt;
  return part.position_count / 3;
}

void SendPartTriangles(D5Session session, const std::u16string& part_name,
                       const PartGeometry& part, std::vector<std::uint32_t>& sequence) {
  const std::uint32_t vertices = part.position_count / 3;
  if (part.index_count > kMaxCount) return;
  MeshDescriptor mesh{};
  mesh.first_count = static_cast<std::int32_t>(vertices);
  mesh.positions = part.position_count ? part.positions : nullptr;
  mesh.attributes1 = part.attributes1;
  mesh.attributes2 = part.attributes2;
  if (const std::optional<std::uint32_t> limit = IndexLimitOf(part)) {
    // The renderer would read positions outside the array.
    if (!IndicesBelow(part.indices, part.index_count, *limit)) return;
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
