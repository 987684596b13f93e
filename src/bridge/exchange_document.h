// The one process-wide record through which every host request flows: the
// container reader's state, the renderer session with its mirror of
// everything the renderer has been given, and the request word's colour mode.
#pragma once

#include "formats/container_state.h"
#include "renderer/renderer_state.h"

namespace tarnwick {

// The exchange document. The container state comes first and the renderer
// state second, so their members stand in the order in which they are set up.
struct ExchangeDocument : ContainerState, RendererState {
  ExchangeDocument() = default;
  // Tears down in the bridge's order: file, mirror, then the session.
  ~ExchangeDocument();
  ExchangeDocument(const ExchangeDocument&) = delete;
  ExchangeDocument& operator=(const ExchangeDocument&) = delete;

  // Set once by the entry for the request word "colorMode": no texture path is then sent.
  bool ColorModeFlag = false;
};

}  // namespace tarnwick
