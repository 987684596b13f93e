// Fuzzes the container reader from memory: the input is a container file in
// the compact form of container_image.h, expanded to a whole file with its
// header and directory. The header is read as the bridge reads it; when it
// loads, every used slot of kind 2 is read as a ModelBody and every one of
// kind 4 as a RemovalSection. Inputs of the bodies-only mode skip the header
// (whose 100 slot names cost most of a run) and read the compact slots' bodies
// straight from the input's bytes. The sink reads every element of every array it
// is handed, so that a view past the bytes read shows up under the address
// sanitizer.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>
#include <string>
#include <vector>

#include "formats/container_reader.h"
#include "formats/container_stream.h"
#include "formats/model_sink.h"
#include "fuzz/container_image.h"

namespace {

// Touches every element handed over, as the renderer would.
class TouchingSink : public tarnwick::ModelSink {
 public:
  void OnMaterialText(const std::u16string& text) override { sum_ += text.size(); }
  void OnLightText(const std::u16string& text) override { sum_ += text.size(); }
  void OnPart(const tarnwick::FileText& name, const tarnwick::PartGeometry& part) override {
    sum_ += name.ToString().size();
    Touch(part.positions, part.position_count);
    Touch(part.attributes1, part.attributes1_count);
    Touch(part.attributes2, part.attributes2_count);
    Touch(part.indices, part.index_count);
  }
  void OnRemovalList(const std::u16string& name, std::span<const std::uint32_t> ids) override {
    sum_ += name.size();
    for (const std::uint32_t id : ids) sum_ += id;
  }
  std::uint32_t sum() const { return sum_; }

 private:
  void Touch(const void* data, std::uint32_t count) {
    std::uint32_t word = 0;
    for (std::uint32_t i = 0; i < count; ++i) {
      std::memcpy(&word, static_cast<const std::uint8_t*>(data) + std::size_t{i} * 4, 4);
      sum_ += word;
    }
  }
  std::uint32_t sum_ = 0;
};

void ReadSlot(tarnwick::ContainerStream& stream, std::uint32_t kind, std::uint32_t start,
              TouchingSink& sink) {
  if (kind == tarnwick::kModelBodyKind) {
    tarnwick::ReadModelBody(stream, start, sink);
  } else if (kind == tarnwick::kRemovalSectionKind) {
    tarnwick::ReadRemovalSection(stream, start, sink);
  }
}

void ReadBodiesOnly(std::span<const std::uint8_t> input, TouchingSink& sink) {
  const auto stream = tarnwick::ContainerStream::OverMemory(
      input.subspan(tarnwick::fuzzing::kCompactPrefixBytes));
  for (const tarnwick::fuzzing::CompactSlot& slot : tarnwick::fuzzing::CompactSlots(input)) {
    ReadSlot(*stream, slot.kind, slot.offset, sink);
  }
}

void ReadWholeFile(std::span<const std::uint8_t> input, TouchingSink& sink) {
  static std::vector<std::uint8_t> image;  // reused: a fresh one per run costs page faults
  tarnwick::fuzzing::ExpandContainer(input, image);
  tarnwick::ContainerState state;
  state.ContainerFile = tarnwick::ContainerStream::OverMemory(image);
  if (tarnwick::ReadContainerHeader(*state.ContainerFile, state) != tarnwick::HeaderLoadResult::kLoaded) return;
  for (int k = 0; k <= state.LastSlotIndex && k < tarnwick::kDirectorySlotCount; ++k) {
    const tarnwick::DirectorySlot& slot = state.Slots[static_cast<std::size_t>(k)];
    ReadSlot(*state.ContainerFile, slot.Kind, static_cast<std::uint32_t>(slot.Offset), sink);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::span<const std::uint8_t> input(data, size);
  TouchingSink sink;
  if (tarnwick::fuzzing::IsCompact(input) && (data[0] & tarnwick::fuzzing::kBodiesOnlyMode) != 0) {
    ReadBodiesOnly(input, sink);
  } else {
    ReadWholeFile(input, sink);
  }
  // The sum is used so that the touching cannot be optimised away.
  return static_cast<int>(sink.sum() & 0u);
}
