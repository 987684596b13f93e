// The one process-wide record through which every host request flows: the
// container reader's state, the renderer session and a mirror of everything
// the renderer has been given.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "formats/camera_record.h"
#include "formats/light_record.h"
#include "formats/material_record.h"
#include "renderer/renderer_session.h"
#include "renderer/view_cache.h"

namespace tarnwick {

class ContainerStream;

// One entry of a container's directory (byte layout in container_reader.h).
struct DirectorySlot {
  std::array<char16_t, 1028> Name{};
  std::uint32_t Kind = 0;
  std::int32_t Offset = 0;
  std::array<std::uint8_t, 12> Reserved{};
};

// Number of slots in a container's directory.
inline constexpr int kDirectorySlotCount = 100;

// A solid that has been sent to the renderer as a node.
struct SolidEntry {
  std::uint32_t TimeStamp = 0;
  std::u16string NodeName;
  std::int32_t ID3D = 0;
};

// The exchange document; members in the order in which they are set up.
struct ExchangeDocument {
  ExchangeDocument();
  ~ExchangeDocument();
  ExchangeDocument(const ExchangeDocument&) = delete;
  ExchangeDocument& operator=(const ExchangeDocument&) = delete;

  std::unique_ptr<ContainerStream> ContainerFile;
  std::u16string ContainerPath;
  std::uint32_t FormatVersion = 0;
  std::uint32_t DirectoryEnd = 0;
  std::uint32_t HeaderReserved = 1;
  std::uint32_t HeaderNameLength = 0;
  std::u16string HeaderName;
  std::int32_t LastSlotIndex = 0;
  std::array<DirectorySlot, kDirectorySlotCount> Slots{};
  RendererSession Session;
  std::map<std::uint32_t, SolidEntry> Solids;
  std::map<std::u16string, MaterialRecord> Materials;
  std::map<std::uint32_t, LightRecord> Lights;
  NamedViewCache ViewCache;
  std::u16string SourceProject;
  std::vector<std::uint32_t> RemovedMaterialIds;
  std::vector<std::uint32_t> RemovedSolidIds;
};

// The text of a slot's name up to its first NUL.
std::u16string SlotName(const DirectorySlot& slot);

// Closes the container file if it is open.
void CloseContainer(ExchangeDocument& document);

}  // namespace tarnwick
