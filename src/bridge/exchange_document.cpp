#include "bridge/exchange_document.h"

namespace tarnwick {

ExchangeDocument::~ExchangeDocument() {
  CloseContainer(*this);
  // The renderer's copies of these die with the session; nothing is sent for them.
  std::vector<std::uint32_t>().swap(RemovedSolidIds);
  std::vector<std::uint32_t>().swap(RemovedMaterialIds);
  std::u16string().swap(SourceProject);
  ViewCache.clear();
  Lights.clear();
  Materials.clear();
  Solids.Clear();
  EndRendererSession(Session);
}

}  // namespace tarnwick
