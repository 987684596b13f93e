#include "formats/solid_reader.h"

#include <algorithm>

#include "formats/container_reader.h"
#include "formats/container_stream.h"
#include "platform/bulk_copy.h"

namespace tarnwick {

namespace {

constexpr int kArrayCount = 8;
// The arrays the renderer receives (positions, second attributes, first attributes,
// indices), by their index among the eight, and the slot of their aligned copy.
constexpr int kSentArrays[4] = {0, 1, 4, 5};

struct ArraySpan {
  std::uint32_t count = 0;
  std::uint64_t data_at = 0;
};

// Where the next count stands after the count at `count_at` and its array of `count` words.
std::uint64_t AfterArray(std::uint64_t count_at, std::uint32_t count) {
  return count_at + 4 + std::uint64_t{count} * 4;
}

// Measures the eight arrays from their counts without moving the window, so
// that every array of a part can be lent from it at once.
std::uint64_t MeasureArrays(ContainerStream& stream, std::uint64_t start,
                            std::array<ArraySpan, kArrayCount>& spans) {
  std::uint64_t at = start;
  for (ArraySpan& span : spans) {
    std::uint8_t bytes[4];
    if (!stream.ReadAt(at, bytes, 4)) stream.NoteReadPastEnd(at);
    const std::uint32_t count = LoadU32(bytes);
    span.data_at = at + 4;
    const std::uint64_t size = stream.Size();
    const std::uint64_t remaining = span.data_at < size ? size - span.data_at : 0;
    span.count = std::uint64_t{count} * 4 <= remaining ? count : 0;
    if (span.count != count) stream.NoteCountRefused(at, count);
    at = AfterArray(at, span.count);
  }
  return at;
}

// Reads the arrays standing at the position and leaves the stream after the eighth; arrays
// that cannot be lent are copied. Returns the bytes of the arrays handed on.
std::uint64_t ReadPartArrays(ContainerStream& stream, PartScratch& scratch, PartGeometry& part) {
  const std::uint64_t start = stream.Position();
  std::array<ArraySpan, kArrayCount> spans;
  const std::uint64_t end = MeasureArrays(stream, start, spans);
  const std::uint64_t in_file = std::min(end, std::max(start, stream.Size())) - start;
  const std::uint8_t* base = nullptr;
  if (in_file <= stream.MaxViewBytes()) base = stream.View(in_file);
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
      BulkCopy(copy.data(), lent, std::size_t{span.count} * 4);
    } else {
      stream.Seek(span.data_at);
      stream.Read(copy.data(), std::size_t{span.count} * 4);
    }
    data[k] = copy.data();
  }
  stream.Seek(end);
  part.position_count = spans[0].count;
  part.positions = static_cast<const float*>(data[0]);
  part.attributes2_count = spans[1].count;
  part.attributes2 = data[1];
  part.attributes1_count = spans[4].count;
  part.attributes1 = data[2];
  part.index_count = spans[5].count;
  part.indices = static_cast<const std::uint32_t*>(data[3]);
  return 4 * (std::uint64_t{spans[0].count} + spans[1].count + spans[4].count + spans[5].count);
}

// A solid or part record begins with an ignored word and the header length H, counted
// from H's own position; the stream is left after H, and the header's end is returned.
std::uint64_t BeginRecord(ContainerStream& stream, std::uint64_t position) {
  stream.Seek(position);
  stream.ReadU32();
  const std::uint64_t header_at = stream.Position();
  return header_at + stream.ReadU32();
}

void ReadPart(ContainerStream& stream, std::uint32_t body_start, std::uint32_t offset,
              PartScratch& scratch, ModelSink& sink, BodyBudget& budget) {
  PartGeometry part;
  part.position = BodyPosition(body_start, offset);
  const std::uint64_t arrays_at = BeginRecord(stream, part.position);
  stream.ReadU32();
  stream.ReadU32();
  const std::u16string name = stream.ReadCountedString();
  stream.SkipCountedString();
  stream.Seek(arrays_at);
  budget.Charge(ReadPartArrays(stream, scratch, part) + 2 * name.size());
  sink.OnPart(name, part);
}

}  // namespace

void ReadSolid(ContainerStream& stream, std::uint32_t body_start, std::uint32_t offset,
               PartScratch& scratch, ModelSink& sink, BodyBudget& budget) {
  const std::uint64_t short_reads = stream.ShortReads();
  SolidInfo solid;
  solid.position = BodyPosition(body_start, offset);
  const std::uint64_t parts_at = BeginRecord(stream, solid.position);
  stream.ReadU8();
  solid.time_stamp = stream.ReadU32();
  solid.label = stream.ReadCountedString();
  stream.ReadU32();
  stream.ReadU32();
  solid.id = stream.ReadU32();
  stream.SkipCountedString();
  budget.Charge(2 * solid.label.size());
  stream.Seek(parts_at);
  WordTable parts(stream);
  sink.OnSolidBegin(solid);
  const bool all_parts =
      ReadTableEntries(stream, parts, budget, true, [&](std::uint32_t part_offset) {
        ReadPart(stream, body_start, part_offset, scratch, sink, budget);
      });
  // A record, table or array that ran past the end of the file (a file cut short, or
  // one the host is still writing), a mapped page that could not be read, or parts the
  // budget left unread: not the solid the host wrote.
  sink.OnSolidEnd(all_parts && stream.ShortReads() == short_reads && !stream.ReadFailed());
}

}  // namespace tarnwick
