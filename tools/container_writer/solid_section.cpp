#include "container_writer/solid_section.h"

#include <algorithm>
#include <bit>
#include <vector>

namespace tarnwick::container_writer {

namespace {

std::uint32_t Relative(std::uint64_t at, std::uint64_t body_start) {
  return static_cast<std::uint32_t>(at - body_start);
}

// Fixed part of a part record before its two counted strings' text.
constexpr std::uint64_t kPartFixedBytes = 24;

std::uint64_t ArraysPadding(std::uint64_t arrays_at, bool align) {
  return align ? (4 - arrays_at % 4) % 4 : 0;
}

std::uint64_t PartBytes(std::uint64_t at, const Part& part, bool align) {
  const std::uint64_t head = kPartFixedBytes + 2 * part.name.size();
  const std::uint64_t elements = part.positions.size() + part.attributes2.size() +
                                 part.attributes1.size() + part.indices.size() +
                                 4 * part.unused.size();
  return head + ArraysPadding(at + head, align) + 32 + 4 * elements;
}

void WritePart(Sink& sink, const Part& part, bool align) {
  const std::uint64_t head = kPartFixedBytes + 2 * part.name.size();
  const std::uint64_t padding = ArraysPadding(sink.position() + head, align);
  sink.U32(kFiller);
  sink.U32(static_cast<std::uint32_t>(head - 4 + padding));
  sink.U32(kFiller);
  sink.U32(kFiller);
  sink.Counted(part.name);
  sink.Counted(u"");
  sink.Zeros(padding);
  std::vector<std::uint32_t> positions(part.positions.size());
  std::transform(part.positions.begin(), part.positions.end(), positions.begin(),
                 [](float f) { return std::bit_cast<std::uint32_t>(f); });
  const std::vector<std::uint32_t>* arrays[8] = {&positions,   &part.attributes2, &part.unused,
                                                 &part.unused, &part.attributes1, &part.indices,
                                                 &part.unused, &part.unused};
  for (const std::vector<std::uint32_t>* array : arrays) {
    sink.U32(static_cast<std::uint32_t>(array->size()));
    sink.Words(array->data(), array->size());
  }
}

// The bytes of a solid record with a part table of `entries` offsets.
std::uint64_t SolidRecordBytes(const Solid& solid, std::size_t entries) {
  return 4 + 4 + 1 + 4 + 4 + 2 * solid.label.size() + 12 + 4 + 4 + 4 * entries;
}

// A solid record whose part table holds `offsets`.
void WriteSolidRecord(Sink& sink, const Solid& solid, const std::vector<std::uint32_t>& offsets) {
  sink.U32(kFiller);
  // The part table follows the header fields: u8, u32, counted label, three u32, counted "".
  sink.U32(static_cast<std::uint32_t>(4 + 1 + 4 + 4 + 2 * solid.label.size() + 12 + 4));
  sink.U8(0xB2);
  sink.U32(solid.time_stamp);
  sink.Counted(solid.label);
  sink.U32(kFiller);
  sink.U32(kFiller);
  sink.U32(solid.id);
  sink.Counted(u"");
  sink.U32(static_cast<std::uint32_t>(offsets.size()));
  sink.Words(offsets.data(), offsets.size());
}

// A solid followed by its own parts, as the host writes it, for solids made one at a time.
void WriteSolid(Sink& sink, std::uint64_t body_start, const Solid& solid, bool align) {
  std::uint64_t at = sink.position() + SolidRecordBytes(solid, solid.parts.size());
  std::vector<std::uint32_t> offsets;
  for (const Part& part : solid.parts) {
    offsets.push_back(part.empty_entry ? 0 : Relative(at, body_start));
    if (!part.empty_entry) at += PartBytes(at, part, align);
  }
  WriteSolidRecord(sink, solid, offsets);
  for (const Part& part : solid.parts) {
    if (!part.empty_entry) WritePart(sink, part, align);
  }
}

void WriteSolidsInOrder(Sink& sink, std::uint64_t body_start, const ModelBody& body, bool align) {
  const std::size_t count = body.solids.size() + body.generated_solids;
  const std::uint64_t table_at = TablePlaceholder(sink, count);
  std::vector<std::uint32_t> offsets;
  offsets.reserve(count);
  Solid generated;
  for (std::size_t i = 0; i < count && sink.ok(); ++i) {
    const Solid* solid = i < body.solids.size() ? &body.solids[i] : nullptr;
    if (!solid) {
      generated = Solid{};
      body.generate_solid(i - body.solids.size(), generated);
      solid = &generated;
    }
    offsets.push_back(solid->empty_entry ? 0 : Relative(sink.position(), body_start));
    if (!solid->empty_entry) WriteSolid(sink, body_start, *solid, align);
    if (sink.position() > kLargestOffset) sink.Fail();
  }
  sink.PatchWords(table_at, offsets);
}

// One record of the section: a solid (part kNone), one of its parts, or a shared part.
struct Record {
  static constexpr std::size_t kNone = ~std::size_t{0};
  std::size_t solid = kNone;  // kNone: a shared part
  std::size_t part = kNone;
};

// The records in the order the body's SolidOrder writes them.
std::vector<Record> WriteOrder(const ModelBody& body) {
  std::vector<Record> order;
  for (std::size_t j = 0; j < body.shared_parts.size(); ++j) order.push_back({Record::kNone, j});
  const std::size_t n = body.solids.size();
  auto parts_of = [&](std::size_t i) {
    for (std::size_t k = 0; k < body.solids[i].parts.size(); ++k) {
      if (!body.solids[i].parts[k].empty_entry) order.push_back({i, k});
    }
  };
  for (std::size_t step = 0; step < n; ++step) {
    const std::size_t i = body.order == SolidOrder::kReversed ? n - 1 - step : step;
    if (body.solids[i].empty_entry) continue;
    if (body.order == SolidOrder::kPartsFirst) parts_of(i);
    order.push_back({i, Record::kNone});
    if (body.order == SolidOrder::kInOrder || body.order == SolidOrder::kReversed) parts_of(i);
  }
  if (body.order == SolidOrder::kSolidsThenParts) {
    for (std::size_t i = 0; i < n; ++i) {
      if (!body.solids[i].empty_entry) parts_of(i);
    }
  }
  return order;
}

// Solids and parts in any order, with parts shared between solids: every record is
// placed first, then written with the offsets of its place.
void WriteSolidsPlaced(Sink& sink, std::uint64_t body_start, const ModelBody& body, bool align) {
  const std::uint64_t table_at = TablePlaceholder(sink, body.solids.size());
  const std::vector<Record> order = WriteOrder(body);
  std::vector<std::uint64_t> solid_at(body.solids.size(), 0), shared_at(body.shared_parts.size());
  std::vector<std::vector<std::uint64_t>> part_at(body.solids.size());
  for (std::size_t i = 0; i < body.solids.size(); ++i) {
    part_at[i].assign(body.solids[i].parts.size(), 0);
  }
  std::uint64_t at = sink.position();
  for (const Record& r : order) {
    if (r.solid == Record::kNone) {
      shared_at[r.part] = at;
      at += PartBytes(at, body.shared_parts[r.part], align);
    } else if (r.part == Record::kNone) {
      const Solid& solid = body.solids[r.solid];
      solid_at[r.solid] = at;
      at += SolidRecordBytes(solid, solid.parts.size() + solid.shared.size());
    } else {
      part_at[r.solid][r.part] = at;
      at += PartBytes(at, body.solids[r.solid].parts[r.part], align);
    }
  }
  auto relative = [&](std::uint64_t place) { return place ? Relative(place, body_start) : 0u; };
  for (const Record& r : order) {
    if (r.solid == Record::kNone) {
      WritePart(sink, body.shared_parts[r.part], align);
    } else if (r.part != Record::kNone) {
      WritePart(sink, body.solids[r.solid].parts[r.part], align);
    } else {
      std::vector<std::uint32_t> offsets;
      for (const std::uint64_t place : part_at[r.solid]) offsets.push_back(relative(place));
      for (const std::size_t j : body.solids[r.solid].shared) {
        offsets.push_back(relative(shared_at[j]));
      }
      WriteSolidRecord(sink, body.solids[r.solid], offsets);
    }
  }
  if (sink.position() > kLargestOffset) sink.Fail();
  std::vector<std::uint32_t> table;
  for (const std::uint64_t place : solid_at) table.push_back(relative(place));
  sink.PatchWords(table_at, table);
}

}  // namespace

std::uint64_t TablePlaceholder(Sink& sink, std::size_t count) {
  sink.U32(static_cast<std::uint32_t>(count));
  const std::uint64_t words_at = sink.position();
  sink.Zeros(4 * count);
  return words_at;
}

void WriteSolidSection(Sink& sink, std::uint64_t body_start, const ModelBody& body, bool align) {
  if (body.order == SolidOrder::kInOrder && body.shared_parts.empty()) {
    WriteSolidsInOrder(sink, body_start, body, align);
  } else {
    WriteSolidsPlaced(sink, body_start, body, align);
  }
}

}  // namespace tarnwick::container_writer
