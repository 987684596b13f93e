#include "app/watchdog.h"

#include <cstring>

#include "protocol/protocol.h"

namespace tarnwick::app {

bool HostAndRendererStillOpen(HWND host_window) {
  if (host_window == nullptr) return false;
  if (!IsWindow(host_window)) return false;
  // A handle reused by another window fails here.
  char class_name[256] = {};
  GetClassNameA(host_window, class_name, sizeof class_name);
  if (std::strcmp(class_name, protocol::kHostWindowClass.narrow) != 0) return false;
  return FindWindowA(protocol::kRendererWindowClass.narrow, nullptr) != nullptr;
}

bool IsWatchdogTick(const MSG& message, UINT_PTR watchdog_timer) {
  return message.message == WM_TIMER && message.wParam == watchdog_timer;
}

}  // namespace tarnwick::app
