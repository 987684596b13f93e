#include "app/bridge_state.h"

namespace tarnwick::app {

namespace {

// Namespace-scope objects: constructed before wWinMain is called and destroyed
// by the runtime's exit processing after it returns.
BridgeState g_bridge;
ExchangeDocument g_document;

}  // namespace

BridgeState& Bridge() { return g_bridge; }

ExchangeDocument& Document() { return g_document; }

HWND FindHostWindowOnce() {
  if (g_bridge.HostWindow == nullptr) {
    g_bridge.HostWindow = FindWindowA(protocol::kHostWindowClass.narrow, nullptr);
  }
  return g_bridge.HostWindow;
}

}  // namespace tarnwick::app
