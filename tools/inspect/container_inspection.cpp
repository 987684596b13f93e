#include "inspect/container_inspection.h"

#include <algorithm>

#include "formats/container_reader.h"
#include "formats/container_state.h"
#include "formats/container_stream.h"
#include "platform/text.h"

namespace tarnwick::inspect {

namespace {

// The slot that holds the body the bridge streams, and the one with the removals.
constexpr int kModelSlot = 0;
constexpr int kIncrementalBodySlot = 1;
constexpr int kRemovalSlot = 0;

bool OffsetInFile(std::int32_t offset, std::uint64_t size) {
  return offset >= 0 && static_cast<std::uint64_t>(offset) < size;
}

// Used slots with the distance to the next body above them or to the end of the file.
void ListSlots(const ContainerState& state, std::uint64_t size, ContainerSummary& summary) {
  const int last = std::min(state.LastSlotIndex, kDirectorySlotCount - 1);
  for (int k = 0; k <= last; ++k) {
    const DirectorySlot& slot = state.Slots[static_cast<std::size_t>(k)];
    SlotSummary entry{k, Utf8FromUtf16(SlotName(slot)), slot.Kind, slot.Offset, 0};
    if (OffsetInFile(slot.Offset, size)) {
      std::uint64_t end = size;
      for (int other = 0; other <= last; ++other) {
        const std::int32_t next = state.Slots[static_cast<std::size_t>(other)].Offset;
        if (next > slot.Offset && static_cast<std::uint64_t>(next) < end) end = static_cast<std::uint64_t>(next);
      }
      entry.body_size = end - static_cast<std::uint64_t>(slot.Offset);
    }
    summary.slots.push_back(std::move(entry));
  }
}

void ReportHeader(HeaderLoadResult result, const ContainerState& state, std::uint64_t size,
                  const RecordContext& context) {
  const Location where{.file = context.file, .offset = 0};
  if (size < kContainerHeaderBytes) {
    context.log->Add("header_short",
                     "the file has " + std::to_string(size) + " bytes, fewer than the header's " +
                         std::to_string(kContainerHeaderBytes),
                     where);
  } else if (result == HeaderLoadResult::kVersionUnsupported) {
    context.log->Add("version_unsupported",
                     "format version " + std::to_string(state.FormatVersion) +
                         " is below " + std::to_string(kMinimumFormatVersion),
                     where);
  } else if (result != HeaderLoadResult::kLoaded) {
    context.log->Add("directory_end_wrong",
                     "the header gives the directory end " + std::to_string(state.DirectoryEnd) +
                         ", the directory ends at " + std::to_string(kContainerHeaderBytes),
                     Location{.file = context.file, .offset = 4});
  }
}

// The slot `index` when it is used and of `kind`, else a finding (when `required`).
const DirectorySlot* UsableSlot(const ContainerState& state, int index, std::uint32_t kind,
                                std::uint64_t size, const RecordContext& context, bool required) {
  const Location where{.file = context.file, .slot = index};
  if (index > state.LastSlotIndex || state.Slots[static_cast<std::size_t>(index)].Kind != kind) {
    if (required) {
      context.log->Add("model_body_missing",
                       "slot " + std::to_string(index) + " holds no model body (last used slot " +
                           std::to_string(state.LastSlotIndex) + ")",
                       where);
    }
    return nullptr;
  }
  const DirectorySlot& slot = state.Slots[static_cast<std::size_t>(index)];
  if (!OffsetInFile(slot.Offset, size)) {
    Location at = where;
    at.offset = static_cast<std::uint64_t>(static_cast<std::uint32_t>(slot.Offset));
    context.log->Add("slot_offset_past_end",
                     "slot " + std::to_string(index) + " points at byte " +
                         std::to_string(slot.Offset) + " of a file of " + std::to_string(size) +
                         " bytes",
                     at);
    return nullptr;
  }
  return &slot;
}

}  // namespace

bool InspectContainer(const std::u16string& path, ContainerRole role, RecordContext context,
                      ContainerSummary& summary, const ContainerOptions& options) {
  summary.file = context.file;
  std::unique_ptr<ContainerStream> stream = ContainerStream::Open(path, "rb");
  if (!stream) {
    context.log->Add("path_unreadable", "the file cannot be opened", Location{.file = context.file});
    return false;
  }
  summary.size = stream->Size();
  ContainerState state;
  const HeaderLoadResult result = ReadContainerHeader(*stream, state);
  summary.format_version = state.FormatVersion;
  ReportHeader(result, state, summary.size, context);
  if (result != HeaderLoadResult::kLoaded) return true;
  summary.header_read = true;
  summary.directory_end = state.DirectoryEnd;
  summary.header_name = Utf8FromUtf16(state.HeaderName);
  summary.last_slot_index = state.LastSlotIndex;
  ListSlots(state, summary.size, summary);

  const int body_slot = role == ContainerRole::kModel ? kModelSlot : kIncrementalBodySlot;
  if (role == ContainerRole::kIncremental) {
    if (const DirectorySlot* slot = UsableSlot(state, kRemovalSlot, kRemovalSectionKind, summary.size, context, false)) {
      RecordContext removal_context = context;
      removal_context.slot = kRemovalSlot;
      InspectorSink sink(removal_context, summary.size);
      ReadRemovalSection(*stream, static_cast<std::uint32_t>(slot->Offset), sink);
      sink.Finish();
      summary.removals = std::move(sink.removals());
      summary.removal_project = Utf8FromUtf16(SlotName(*slot));
    }
  }
  if (const DirectorySlot* slot = UsableSlot(state, body_slot, kModelBodyKind, summary.size, context, true)) {
    context.slot = body_slot;
    InspectorSink sink(context, summary.size);
    sink.SetGeometryTap(options.geometry_tap);
    sink.SetProgress(options.progress);
    ReadModelBody(*stream, static_cast<std::uint32_t>(slot->Offset), sink);
    sink.Finish();
    summary.body = std::move(sink.body());
    summary.project = Utf8FromUtf16(SlotName(*slot));
  }
  return true;
}

}  // namespace tarnwick::inspect
