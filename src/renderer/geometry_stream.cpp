#include "renderer/geometry_stream.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <numeric>

#include "formats/container_reader.h"
#include "formats/container_stream.h"
#include "platform/text.h"

namespace tarnwick {

const std::array<float, 16> kNodeMatrix = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};

namespace {

constexpr int kArrayCount = 8;
// The arrays the renderer receives (positions, second attributes, first attributes,
// indices), by their index among the eight, and the slot of their aligned copy.
constexpr int kSentArrays[4] = {0, 1, 4, 5};

struct ArraySpan {
  std::uint32_t count = 0;
  std::uint64_t data_at = 0;
};

// Measures the eight arrays from their counts without moving the window, so
// that every array of a part can be lent from it at once.
std::uint64_t MeasureArrays(ContainerStream& stream, std::uint64_t start,
                            std::array<ArraySpan, kArrayCount>& spans) {
  std::uint64_t at = start;
  for (ArraySpan& span : spans) {
    std::uint8_t bytes[4];
    stream.ReadAt(at, bytes, 4);
    at += 4;
    const std::uint64_t remaining = at < stream.Size() ? stream.Size() - at : 0;
    const std::uint32_t count = LoadU32(bytes);
    span.count = std::uint64_t{count} * 4 <= remaining ? count : 0;
    span.data_at = at;
    at += std::uint64_t{span.count} * 4;
  }
  return at;
}

// Reads the arrays standing at the position and leaves the stream after the eighth.
void ReadPartArrays(ContainerStream& stream, GeometryScratch& scratch, PartGeometry& part) {
  const std::uint64_t start = stream.Position();
  std::array<ArraySpan, kArrayCount> spans;
  const std::uint64_t end = MeasureArrays(stream, start, spans);
  const std::uint64_t in_file = std::min(end, std::max(start, stream.Size())) - start;
  const std::uint8_t* base = nullptr;
  if (in_file <= ContainerStream::kMaxViewBytes) base = stream.View(in_file);
  const void* data[4] = {};
  for (int k = 0; k < 4; ++k) {
    const ArraySpan& span = spans[kSentArrays[k]];
    if (span.count == 0) continue;
    const std::uint8_t* lent = base ? base + (span.data_at - start) : nullptr;
    if (lent && reinterpret_cast<std::uintptr_t>(lent) % 4 == 0) {
      data[k] = lent;
      continue;
    }
    std::vector<std::uint32_t>& copy = scratch.copies[k];
    if (copy.size() < span.count) copy.resize(span.count);
    if (lent) {
      std::memcpy(copy.data(), lent, std::size_t{span.count} * 4);
    } else {
      stream.Seek(span.data_at);
      stream.Read(copy.data(), std::size_t{span.count} * 4);
    }
    data[k] = copy.data();
  }
  stream.Seek(end);
  part.position_count = spans[0].count;
  part.positions = static_cast<const float*>(data[0]);
  part.attributes2 = data[1];
  part.attributes1 = data[2];
  part.index_count = spans[5].count;
  part.indices = static_cast<const std::uint32_t*>(data[3]);
}

// Or-ing comparisons rather than taking a maximum keeps the loop free of a
// long dependency chain, so the check runs at the speed of memory.
bool IndicesBelow(const std::uint32_t* indices, std::uint32_t count, std::uint32_t limit) {
  std::uint32_t beyond = 0;
  for (std::uint32_t i = 0; i < count; ++i) beyond |= indices[i] >= limit ? 1u : 0u;
  return beyond == 0;
}

void StreamPart(ExchangeDocument& document, ContainerStream& stream, std::uint32_t body_start,
                std::uint32_t offset, GeometryScratch& scratch) {
  stream.Seek(BodyPosition(body_start, offset));
  stream.ReadU32();
  const std::uint64_t header_at = stream.Position();
  const std::uint32_t header_length = stream.ReadU32();
  stream.ReadU32();
  stream.ReadU32();
  const std::u16string name = stream.ReadCountedString();
  stream.SkipCountedString();
  stream.Seek(header_at + header_length);
  PartGeometry part;
  ReadPartArrays(stream, scratch, part);
  SendPartTriangles(document.Session.handle, name, part, scratch.sequence);
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

void StreamSolid(ExchangeDocument& document, std::uint32_t body_start, std::uint32_t offset,
                 GeometryScratch& scratch) {
  ContainerStream& stream = *document.ContainerFile;
  stream.Seek(BodyPosition(body_start, offset));
  stream.ReadU32();
  const std::uint64_t header_at = stream.Position();
  const std::uint32_t header_length = stream.ReadU32();
  stream.ReadU8();
  const std::uint32_t time_stamp = stream.ReadU32();
  stream.SkipCountedString();
  stream.ReadU32();
  stream.ReadU32();
  const std::uint32_t id = stream.ReadU32();
  SolidEntry& entry = document.Solids[id];
  entry.ID3D = static_cast<std::int32_t>(id);
  entry.TimeStamp = time_stamp;
  stream.SkipCountedString();
  stream.Seek(header_at + header_length);
  WordTable parts(stream);
  const std::u16string node_name = SolidNodeName(id);
  const D5Session session = document.Session.handle;
  D5API_BeginNode(session, node_name.c_str(), kNodeMatrix.data(), 1);
  entry.NodeName = node_name;
  for (std::uint32_t i = 0; i < parts.size(); ++i) {
    if (const std::uint32_t part_offset = parts[i]) {
      StreamPart(document, stream, body_start, part_offset, scratch);
    }
  }
  D5API_EndNode(session);
}

}  // namespace tarnwick
