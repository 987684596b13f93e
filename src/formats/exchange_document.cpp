#include "formats/exchange_document.h"

#include "formats/container_stream.h"

namespace tarnwick {

// Every member starts from the initial value written beside it in the header.
ExchangeDocument::ExchangeDocument() = default;

ExchangeDocument::~ExchangeDocument() {
  CloseContainer(*this);
  // The renderer's copies of these die with the session; nothing is sent for them.
  std::vector<std::uint32_t>().swap(RemovedSolidIds);
  std::vector<std::uint32_t>().swap(RemovedMaterialIds);
  std::u16string().swap(SourceProject);
  ViewCache.clear();
  Lights.clear();
  Materials.clear();
  Solids.clear();
  EndRendererSession(Session);
}

std::u16string SlotName(const DirectorySlot& slot) {
  std::size_t length = 0;
  while (length < slot.Name.size() && slot.Name[length] != u'\0') ++length;
  return std::u16string(slot.Name.data(), length);
}

void CloseContainer(ExchangeDocument& document) { document.ContainerFile.reset(); }

}  // namespace tarnwick
