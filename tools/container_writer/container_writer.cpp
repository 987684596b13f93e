#include "container_writer/container_writer.h"

#include <algorithm>
#include <bit>

#include "container_writer/byte_sink.h"
#include "container_writer/solid_section.h"
#include "formats/container_reader.h"
#include "formats/container_stream.h"
#include "platform/text.h"
#include "protocol/protocol.h"

namespace tarnwick::container_writer {

namespace {

constexpr std::uint32_t kHeaderBytes = tarnwick::protocol::kContainerHeaderBytes;
constexpr std::size_t kSlotCount = tarnwick::protocol::kDirectorySlotCount;
constexpr std::uint32_t kPairFiller = 0x7E7E7E7E;

std::uint32_t Relative(const Sink& sink, std::uint64_t body_start) {
  return static_cast<std::uint32_t>(sink.position() - body_start);
}

void WriteModelBody(Sink& sink, const ModelBody& body, bool align) {
  const std::uint64_t start = sink.position();
  std::vector<std::uint32_t> sizes(5, 0);
  sink.Zeros(20);
  if (!body.materials.empty()) {
    const std::uint64_t table_at = TablePlaceholder(sink, body.materials.size());
    std::vector<std::uint32_t> offsets;
    for (const std::u16string& text : body.materials) {
      offsets.push_back(Relative(sink, start));
      sink.U32(static_cast<std::uint32_t>(2 * text.size()));
      sink.U32(kFiller);
      sink.U32(kFiller);
      sink.Units(text);
    }
    sink.PatchWords(table_at, offsets);
    sizes[0] = Relative(sink, start);
  }
  const std::uint64_t lights_at = sink.position();
  if (!body.lights.empty()) {
    const std::uint64_t table_at = TablePlaceholder(sink, body.lights.size());
    std::vector<std::uint32_t> offsets;
    for (const std::u16string& text : body.lights) {
      offsets.push_back(Relative(sink, start));
      sink.Counted(text);
    }
    sink.PatchWords(table_at, offsets);
    sizes[1] = static_cast<std::uint32_t>(sink.position() - lights_at) + (sizes[0] ? 0 : 20);
  }
  const std::uint64_t solids_at = sink.position();
  if (!body.solids.empty() || body.generated_solids > 0) {
    WriteSolidSection(sink, start, body, align);
    const bool first = sizes[0] == 0 && sizes[1] == 0;
    sizes[2] = static_cast<std::uint32_t>(sink.position() - solids_at) + (first ? 20 : 0);
  }
  if (body.cameras) {
    sizes[3] = 1;
    sink.Counted(*body.cameras);
  }
  sink.PatchWords(start, sizes);
}

void WriteRemovals(Sink& sink, const RemovalSection& removals) {
  const std::uint64_t start = sink.position();
  std::vector<std::uint32_t> words;
  std::uint64_t at = start + 4 + 8 * removals.lists.size();
  for (const RemovalList& list : removals.lists) {
    words.push_back(static_cast<std::uint32_t>(at - start));
    words.push_back(kPairFiller);
    at += 4 + 2 * list.name.size() + 4 + 4 * list.ids.size();
  }
  sink.U32(static_cast<std::uint32_t>(words.size()));
  sink.Words(words.data(), words.size());
  for (const RemovalList& list : removals.lists) {
    sink.Counted(list.name);
    sink.U32(static_cast<std::uint32_t>(list.ids.size()));
    sink.Words(list.ids.data(), list.ids.size());
  }
}

void StoreUnits(std::vector<unsigned char>& out, std::size_t at, const std::u16string& text,
                std::size_t max_units) {
  EncodeUtf16Le(text.data(), std::min(text.size(), max_units), &out[at]);
}

std::vector<unsigned char> HeaderBytes(const Container& container,
                                       const std::vector<std::int32_t>& body_offsets) {
  std::vector<unsigned char> header(kHeaderBytes, 0);
  Sink::Store(&header[0], container.format_version);
  Sink::Store(&header[4], container.directory_end);
  Sink::Store(&header[8], container.header_reserved);
  Sink::Store(&header[12], static_cast<std::uint32_t>(container.header_name.size()));
  StoreUnits(header, 16, container.header_name, 511);
  const auto last = container.last_slot_index.value_or(
      static_cast<std::int32_t>(container.slots.size()) - 1);
  Sink::Store(&header[kLastSlotOffset], static_cast<std::uint32_t>(last));
  for (std::size_t k = 0; k < container.slots.size() && k < kSlotCount; ++k) {
    const Slot& slot = container.slots[k];
    const std::size_t at = kDirectoryOffset + k * kSlotBytes;
    StoreUnits(header, at, slot.name, kSlotNameUnits);
    std::uint32_t kind = 0;
    if (std::holds_alternative<ModelBody>(slot.body)) kind = 2;
    if (std::holds_alternative<RemovalSection>(slot.body)) kind = 4;
    Sink::Store(&header[at + kSlotKindOffset], slot.kind.value_or(kind));
    Sink::Store(&header[at + 2060], static_cast<std::uint32_t>(slot.offset.value_or(body_offsets[k])));
  }
  return header;
}

bool Write(const Container& container, Sink& sink) {
  sink.Zeros(kHeaderBytes);
  std::vector<std::int32_t> body_offsets(container.slots.size(), 0);
  for (std::size_t k = 0; k < container.slots.size() && k < kSlotCount; ++k) {
    const Slot& slot = container.slots[k];
    if (slot.body.index() != 0) body_offsets[k] = static_cast<std::int32_t>(sink.position());
    if (const auto* body = std::get_if<ModelBody>(&slot.body)) {
      WriteModelBody(sink, *body, container.align_arrays);
    } else if (const auto* removals = std::get_if<RemovalSection>(&slot.body)) {
      WriteRemovals(sink, *removals);
    }
  }
  if (sink.position() > kLargestOffset) sink.Fail();
  const std::vector<unsigned char> header = HeaderBytes(container, body_offsets);
  if (sink.ok()) sink.Patch(0, header.data(), header.size());
  return sink.ok();
}

}  // namespace

Container ModelFile(std::u16string project, ModelBody body) {
  Container container;
  container.slots.push_back(Slot{std::move(project), std::move(body), {}, {}});
  return container;
}

Container IncrementalFile(std::u16string project, RemovalSection removals, ModelBody body) {
  Container container;
  container.slots.push_back(Slot{project, std::move(removals), {}, {}});
  container.slots.push_back(Slot{std::move(project), std::move(body), {}, {}});
  return container;
}

std::string BuildContainer(const Container& container) {
  std::string bytes;
  StringSink sink(bytes);
  Write(container, sink);
  return bytes;
}

bool WriteContainer(const Container& container, std::FILE* file) {
  FileSink sink(file);
  return Write(container, sink) && std::fflush(file) == 0;
}

bool WriteContainerFile(const Container& container, const std::string& path) {
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (!file) return false;
  const bool written = WriteContainer(container, file);
  return std::fclose(file) == 0 && written;
}

std::u16string Widen(const std::string& text) { return WidenLatin1(text); }

}  // namespace tarnwick::container_writer
