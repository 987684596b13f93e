// What the container reader holds between calls: the open file, the path to
// open, and the header with its directory as last read. The exchange document
// carries one of these; the inspector and the tests carry their own.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>

#include "protocol/protocol.h"

namespace tarnwick {

class ContainerStream;

// Number of slots in a container's directory.
inline constexpr int kDirectorySlotCount = protocol::kDirectorySlotCount;

// One entry of a container's directory (byte layout in container_reader.h).
struct DirectorySlot {
  std::array<char16_t, 1028> Name{};
  std::uint32_t Kind = 0;
  std::int32_t Offset = 0;
  std::array<std::uint8_t, 12> Reserved{};
};

// The container reader's state, members in the order in which they are set up.
struct ContainerState {
  ContainerState();
  ~ContainerState();
  ContainerState(const ContainerState&) = delete;
  ContainerState& operator=(const ContainerState&) = delete;

  std::unique_ptr<ContainerStream> ContainerFile;
  std::u16string ContainerPath;
  std::uint32_t FormatVersion = 0;
  std::uint32_t DirectoryEnd = 0;
  std::uint32_t HeaderReserved = 1;
  std::uint32_t HeaderNameLength = 0;
  std::u16string HeaderName;
  std::int32_t LastSlotIndex = 0;
  std::array<DirectorySlot, kDirectorySlotCount> Slots{};
};

// The text of a slot's name up to its first NUL.
std::u16string SlotName(const DirectorySlot& slot);

// Closes the container file if it is open.
void CloseContainer(ContainerState& state);

}  // namespace tarnwick
