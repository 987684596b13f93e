#include "formats/container_state.h"

#include "formats/container_stream.h"

namespace tarnwick {

// Every member starts from the initial value written beside it in the header.
ContainerState::ContainerState() = default;

// Defined here, where ContainerStream is complete.
ContainerState::~ContainerState() = default;

std::u16string SlotName(const DirectorySlot& slot) {
  std::size_t length = 0;
  while (length < slot.Name.size() && slot.Name[length] != u'\0') ++length;
  return std::u16string(slot.Name.data(), length);
}

void CloseContainer(ContainerState& state) { state.ContainerFile.reset(); }

}  // namespace tarnwick
