#include "formats/container_reader.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "formats/container_stream.h"
#include "renderer/camera_sync.h"
#include "renderer/geometry_stream.h"
#include "renderer/light_export.h"
#include "renderer/material_export.h"
#include "platform/file_io.h"

namespace tarnwick {

namespace {

constexpr std::size_t kHeaderNameOffset = 16;
constexpr std::size_t kHeaderNameUnits = 512;
constexpr std::size_t kLastSlotOffset = 1040;
constexpr std::size_t kDirectoryOffset = 1044;
constexpr std::size_t kSlotBytes = 2076;
constexpr std::size_t kSlotKindOffset = 2056;

void DecodeUnits(const std::uint8_t* p, char16_t* out, std::size_t units) {
  for (std::size_t i = 0; i < units; ++i) out[i] = static_cast<char16_t>(p[2 * i] | p[2 * i + 1] << 8);
}

void EncodeUnits(const char16_t* text, std::size_t units, std::uint8_t* p) {
  for (std::size_t i = 0; i < units; ++i) {
    p[2 * i] = static_cast<std::uint8_t>(text[i]);
    p[2 * i + 1] = static_cast<std::uint8_t>(text[i] >> 8);
  }
}

void DecodeSlot(const std::uint8_t* p, DirectorySlot& slot) {
  DecodeUnits(p, slot.Name.data(), slot.Name.size());
  slot.Kind = LoadU32(p + kSlotKindOffset);
  slot.Offset = static_cast<std::int32_t>(LoadU32(p + kSlotKindOffset + 4));
  std::memcpy(slot.Reserved.data(), p + kSlotKindOffset + 8, slot.Reserved.size());
}

void EncodeSlot(const DirectorySlot& slot, std::uint8_t* p) {
  EncodeUnits(slot.Name.data(), slot.Name.size(), p);
  StoreU32(p + kSlotKindOffset, slot.Kind);
  StoreU32(p + kSlotKindOffset + 4, static_cast<std::uint32_t>(slot.Offset));
  std::memcpy(p + kSlotKindOffset + 8, slot.Reserved.data(), slot.Reserved.size());
}

// The document's current header members in place of a missing or empty file:
// what the host finds there tells it that the bridge could not read a model.
void WriteBlankHeader(ExchangeDocument& document) {
  document.FormatVersion = kMinimumFormatVersion;
  document.DirectoryEnd = kContainerHeaderBytes;
  document.HeaderNameLength = static_cast<std::uint32_t>(document.HeaderName.size());
  std::vector<std::uint8_t> header(kContainerHeaderBytes, 0);
  StoreU32(&header[0], document.FormatVersion);
  StoreU32(&header[4], document.DirectoryEnd);
  StoreU32(&header[8], document.HeaderReserved);
  StoreU32(&header[12], document.HeaderNameLength);
  EncodeUnits(document.HeaderName.data(), std::min(document.HeaderName.size(), kHeaderNameUnits - 1),
              &header[kHeaderNameOffset]);
  StoreU32(&header[kLastSlotOffset], static_cast<std::uint32_t>(document.LastSlotIndex));
  for (std::size_t k = 0; k < document.Slots.size(); ++k) {
    EncodeSlot(document.Slots[k], &header[kDirectoryOffset + k * kSlotBytes]);
  }
  ContainerStream& stream = *document.ContainerFile;
  stream.Seek(0);
  stream.Write(header.data(), header.size());
  stream.Flush();
  CloseContainer(document);
}

void DecodeHeader(ExchangeDocument& document, const std::uint8_t* h) {
  document.DirectoryEnd = LoadU32(h + 4);
  document.HeaderReserved = LoadU32(h + 8);
  document.HeaderNameLength = LoadU32(h + 12);
  char16_t name[kHeaderNameUnits];
  DecodeUnits(h + kHeaderNameOffset, name, kHeaderNameUnits);
  document.HeaderName.assign(name, std::find(name, name + kHeaderNameUnits, u'\0'));
  document.LastSlotIndex = static_cast<std::int32_t>(LoadU32(h + kLastSlotOffset));
  for (std::size_t k = 0; k < document.Slots.size(); ++k) {
    DecodeSlot(h + kDirectoryOffset + k * kSlotBytes, document.Slots[k]);
  }
}

void ReadMaterialSection(ExchangeDocument& document, ContainerStream& stream,
                         std::uint32_t body_start) {
  WordTable entries(stream);
  for (std::uint32_t i = 0; i < entries.size(); ++i) {
    stream.Seek(BodyPosition(body_start, entries[i]));
    const std::uint32_t length = stream.ReadU32();
    stream.ReadU32();
    stream.ReadU32();
    // An odd last byte is not read; a text past the end of the file is empty.
    std::u16string text = stream.ReadUtf16(length / 2);
    text.resize(std::min(text.size(), text.find(u'\0')));
    MaterialRecord record;
    ReadMaterialRecord(record, text);
    document.Materials[record.MaterialID_Name] = record;
    ExportMaterial(document.Session.handle, record);
  }
}

void ReadLightSection(ExchangeDocument& document, ContainerStream& stream,
                      std::uint32_t body_start) {
  WordTable entries(stream);
  for (std::uint32_t i = 0; i < entries.size(); ++i) {
    stream.Seek(BodyPosition(body_start, entries[i]));
    const std::u16string text = stream.ReadCountedString();
    LightRecord record;
    ReadLightRecord(record, text);
    document.Lights[static_cast<std::uint32_t>(record.LightSolidID)] = record;
    ExportLight(document.Session.handle, record);
  }
}

void ReadIdList(ContainerStream& stream, std::vector<std::uint32_t>& ids) {
  const std::uint32_t count = stream.ReadCount(4);
  ids.resize(count);
  for (std::uint32_t& id : ids) id = stream.ReadU32();
}

}  // namespace

std::uint32_t LightSectionStart(std::uint32_t body_start, std::uint32_t s0) {
  return body_start + (s0 != 0 ? s0 : 20u);
}

std::uint32_t SolidSectionStart(std::uint32_t body_start, std::uint32_t s0, std::uint32_t s1) {
  const std::uint32_t before = s0 + s1;
  return body_start + (before != 0 ? before : 20u);
}

void OpenContainer(ExchangeDocument& document) {
  CloseContainer(document);
  std::replace(document.ContainerPath.begin(), document.ContainerPath.end(), u'/', u'\\');
  const std::u16string& path = document.ContainerPath;
  // Read-only, so that the host can go on writing its file; a missing file is
  // created for the blank header, but an existing one is never truncated.
  document.ContainerFile = ContainerStream::Open(path, "rb");
  if (!document.ContainerFile) document.ContainerFile = ContainerStream::Open(path, "wb+x");
}

int LoadContainerHeader(ExchangeDocument& document) {
  OpenContainer(document);
  if (!document.ContainerFile) return kHeaderFileNotFound;
  ContainerStream& stream = *document.ContainerFile;
  if (stream.Size() < kContainerHeaderBytes) {
    const bool stream_was_empty = stream.Size() == 0;
    // A short file with content is the host's (perhaps a failed export): never overwrite it.
    // The file is opened for update only for the moment the header is written.
    CloseContainer(document);
    if (stream_was_empty) document.ContainerFile = ContainerStream::Open(document.ContainerPath, "rb+");
    if (document.ContainerFile && document.ContainerFile->Size() == 0) WriteBlankHeader(document);
    CloseContainer(document);
    return kHeaderFormatError;
  }
  stream.Seek(0);
  const std::uint8_t* header = stream.View(kContainerHeaderBytes);
  if (!header) return kHeaderFormatError;  // the file shrank while it was opened
  document.FormatVersion = LoadU32(header);
  if (document.FormatVersion < kMinimumFormatVersion) return kHeaderVersionUnsupported;
  DecodeHeader(document, header);
  return stream.Position() == document.DirectoryEnd ? kHeaderLoaded : kHeaderFormatError;
}

void StreamModelSlot(ExchangeDocument& document, int slot_index) {
  if (LoadContainerHeader(document) != kHeaderLoaded || slot_index < 0 ||
      slot_index >= kDirectorySlotCount || slot_index > document.LastSlotIndex) {
    CloseContainer(document);
    return;
  }
  const DirectorySlot& slot = document.Slots[static_cast<std::size_t>(slot_index)];
  const auto body_start = static_cast<std::uint32_t>(slot.Offset);
  document.ContainerFile->Seek(body_start);
  if (slot.Kind == kModelBodyKind) {
    ReadModelBody(document, body_start);
    document.SourceProject = SlotName(slot);
  }
  CloseContainer(document);
}

void ReadModelBody(ExchangeDocument& document, std::uint32_t body_start) {
  if (!document.ContainerFile) return;
  ContainerStream& stream = *document.ContainerFile;
  std::uint32_t sizes[5];
  for (std::uint32_t& size : sizes) size = stream.ReadU32();
  if (sizes[0] != 0) ReadMaterialSection(document, stream, body_start);
  if (sizes[1] != 0) {
    stream.Seek(LightSectionStart(body_start, sizes[0]));
    ReadLightSection(document, stream, body_start);
  }
  if (sizes[2] != 0) {
    stream.Seek(SolidSectionStart(body_start, sizes[0], sizes[1]));
    GeometryScratch scratch;
    WordTable solids(stream);
    for (std::uint32_t i = 0; i < solids.size(); ++i) {
      if (const std::uint32_t offset = solids[i]) StreamSolid(document, body_start, offset, scratch);
    }
  }
  if (sizes[3] != 0) {
    const std::u16string text = stream.ReadCountedString();
    CameraList list;
    ReadCamerasRecord(list, text);
    SyncViews(document, list);
  }
}

void ReadRemovalSection(ExchangeDocument& document, std::uint32_t body_start) {
  if (!document.ContainerFile) return;
  ContainerStream& stream = *document.ContainerFile;
  stream.Seek(body_start);
  WordTable words(stream);
  for (std::uint64_t i = 0; i < words.size(); i += 2) {
    stream.Seek(BodyPosition(body_start, words[static_cast<std::uint32_t>(i)]));
    const std::u16string name = stream.ReadCountedString();
    if (name == u"Solid") {
      ReadIdList(stream, document.RemovedSolidIds);
    } else if (name == u"Material") {
      ReadIdList(stream, document.RemovedMaterialIds);
    }
  }
}

}  // namespace tarnwick
