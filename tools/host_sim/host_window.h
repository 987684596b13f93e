// The host application's main window as the bridge sees it: a hidden
// top-level window of the host's class that receives the bridge's
// sync-ready message (the sync record is ready).
#pragma once

#include <windows.h>

#include <functional>

#include "protocol/protocol.h"

namespace tarnwick::host_sim {

// The message the bridge posts to the host when the sync record is written.
inline constexpr UINT kSyncReadyMessage = protocol::MSG_HOST_SYNC_READY;

// The host's window; destroyed with the object.
class HostWindow {
 public:
  // on_sync_ready runs, inside message dispatch, for every sync-ready message with its wParam and lParam.
  explicit HostWindow(std::function<void(WPARAM, LPARAM)> on_sync_ready);
  ~HostWindow();
  HostWindow(const HostWindow&) = delete;
  HostWindow& operator=(const HostWindow&) = delete;

  HWND handle() const { return handle_; }

 private:
  static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam);

  HWND handle_ = nullptr;
  std::function<void(WPARAM, LPARAM)> on_sync_ready_;
};

}  // namespace tarnwick::host_sim
