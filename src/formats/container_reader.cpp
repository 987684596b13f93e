#include "formats/container_reader.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "formats/container_stream.h"
#include "platform/file_io.h"

namespace tarnwick {

namespace {

void DecodeSlot(const std::uint8_t* p, DirectorySlot& slot) {
  DecodeUtf16Le(p, slot.Name.data(), slot.Name.size());
  slot.Kind = LoadU32(p + kSlotKindOffset);
  slot.Offset = static_cast<std::int32_t>(LoadU32(p + kSlotKindOffset + 4));
  std::memcpy(slot.Reserved.data(), p + kSlotKindOffset + 8, slot.Reserved.size());
}

void EncodeSlot(const DirectorySlot& slot, std::uint8_t* p) {
  EncodeUtf16Le(slot.Name.data(), slot.Name.size(), p);
  StoreU32(p + kSlotKindOffset, slot.Kind);
  StoreU32(p + kSlotKindOffset + 4, static_cast<std::uint32_t>(slot.Offset));
  std::memcpy(p + kSlotKindOffset + 8, slot.Reserved.data(), slot.Reserved.size());
}

// The current header members in place of a missing or empty file:
// what the host finds there tells it that the bridge could not read a model.
void WriteBlankHeader(ContainerState& state) {
  state.FormatVersion = kMinimumFormatVersion;
  state.DirectoryEnd = kContainerHeaderBytes;
  state.HeaderNameLength = static_cast<std::uint32_t>(state.HeaderName.size());
  std::vector<std::uint8_t> header(kContainerHeaderBytes, 0);
  StoreU32(&header[0], state.FormatVersion);
  StoreU32(&header[4], state.DirectoryEnd);
  StoreU32(&header[8], state.HeaderReserved);
  StoreU32(&header[12], state.HeaderNameLength);
  EncodeUtf16Le(state.HeaderName.data(), std::min(state.HeaderName.size(), kHeaderNameUnits - 1),
              &header[kHeaderNameOffset]);
  StoreU32(&header[kLastSlotOffset], static_cast<std::uint32_t>(state.LastSlotIndex));
  for (std::size_t k = 0; k < state.Slots.size(); ++k) {
    EncodeSlot(state.Slots[k], &header[kDirectoryOffset + k * kSlotBytes]);
  }
  ContainerStream& stream = *state.ContainerFile;
  stream.Write(0, header.data(), header.size());
  stream.Flush();
  CloseContainer(state);
}

void DecodeHeader(ContainerState& state, const std::uint8_t* h) {
  state.DirectoryEnd = LoadU32(h + 4);
  state.HeaderReserved = LoadU32(h + 8);
  state.HeaderNameLength = LoadU32(h + 12);
  char16_t name[kHeaderNameUnits];
  DecodeUtf16Le(h + kHeaderNameOffset, name, kHeaderNameUnits);
  state.HeaderName.assign(name, std::find(name, name + kHeaderNameUnits, u'\0'));
  state.LastSlotIndex = static_cast<std::int32_t>(LoadU32(h + kLastSlotOffset));
  for (std::size_t k = 0; k < state.Slots.size(); ++k) {
    DecodeSlot(h + kDirectoryOffset + k * kSlotBytes, state.Slots[k]);
  }
}


}  // namespace

std::uint32_t LightSectionStart(std::uint32_t body_start, std::uint32_t s0) {
  return body_start + (s0 != 0 ? s0 : 20u);
}

std::uint32_t SolidSectionStart(std::uint32_t body_start, std::uint32_t s0, std::uint32_t s1) {
  const std::uint32_t before = s0 + s1;
  return body_start + (before != 0 ? before : 20u);
}

void OpenContainer(ContainerState& state) {
  CloseContainer(state);
  std::replace(state.ContainerPath.begin(), state.ContainerPath.end(), u'/', u'\\');
  const std::u16string& path = state.ContainerPath;
  // Read-only, so that the host can go on writing its file; a missing file is
  // created for the blank header, but an existing one is never truncated.
  state.ContainerFile = ContainerStream::Open(path, "rb");
  if (!state.ContainerFile) state.ContainerFile = ContainerStream::Open(path, "wb+x");
}

HeaderLoadResult LoadContainerHeader(ContainerState& state) {
  OpenContainer(state);
  if (!state.ContainerFile) return HeaderLoadResult::kFileNotFound;
  ContainerStream& stream = *state.ContainerFile;
  HeaderLoadResult result = HeaderLoadResult::kFormatError;
  if (stream.Size() < kContainerHeaderBytes) {
    const bool stream_was_empty = stream.Size() == 0;
    // A short file with content is the host's (perhaps a failed export): never overwrite it.
    // The file is opened for update only for the moment the header is written.
    CloseContainer(state);
    if (stream_was_empty) state.ContainerFile = ContainerStream::Open(state.ContainerPath, "rb+");
    if (state.ContainerFile && state.ContainerFile->Size() == 0) WriteBlankHeader(state);
  } else {
    result = ReadContainerHeader(stream, state);
  }
  // A file the bridge cannot read is not held open: the host must be able to rewrite it.
  if (result != HeaderLoadResult::kLoaded) CloseContainer(state);
  return result;
}

HeaderLoadResult ReadContainerHeader(ContainerStream& stream, ContainerState& state) {
  if (stream.Size() < kContainerHeaderBytes) return HeaderLoadResult::kFormatError;
  // The whole header and directory at once; none when the file shrank since it was opened.
  const std::uint8_t* header = stream.Bytes(0, kContainerHeaderBytes);
  if (!header) return HeaderLoadResult::kFormatError;
  state.FormatVersion = LoadU32(header);
  if (state.FormatVersion < kMinimumFormatVersion) return HeaderLoadResult::kVersionUnsupported;
  DecodeHeader(state, header);
  // Read whole, the header ends where the directory ends: the end it names must be that.
  return state.DirectoryEnd == kContainerHeaderBytes ? HeaderLoadResult::kLoaded
                                                     : HeaderLoadResult::kFormatError;
}

bool StreamModelSlot(ContainerState& state, int slot_index, ModelSink& sink) {
  const bool streamed = LoadContainerHeader(state) == HeaderLoadResult::kLoaded &&
                        ReadSlotBody(*state.ContainerFile, state, slot_index, sink);
  CloseContainer(state);
  return streamed;
}

bool ReadSlotBody(ContainerStream& stream, const ContainerState& state, int slot_index,
                  ModelSink& sink) {
  if (slot_index < 0 || slot_index >= kDirectorySlotCount || slot_index > state.LastSlotIndex) {
    return false;
  }
  const DirectorySlot& slot = state.Slots[static_cast<std::size_t>(slot_index)];
  if (slot.Kind != kModelBodyKind) return false;
  ReadModelBody(stream, static_cast<std::uint32_t>(slot.Offset), sink);
  return true;
}

}  // namespace tarnwick
