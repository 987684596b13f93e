// The process-wide state of the bridge's entry, in one place: what the command
// line asked for, the windows it knows and the kernel objects it holds. All of
// it lives on the one thread.
#pragma once

#include <windows.h>

#include <cstdint>

#include "bridge/command_line.h"
#include "bridge/exchange_document.h"
#include "protocol/protocol.h"

namespace tarnwick::app {

// Length of the title and class-name buffers, in characters.
inline constexpr int kNameBufferLength = 100;

// Everything the entry sets up and the window procedure reads.
struct BridgeState {
  HINSTANCE Instance = nullptr;
  Request RequestCode = Request::kNone;
  wchar_t Title[kNameBufferLength] = {};
  wchar_t ClassName[kNameBufferLength] = {};
  HWND OwnWindow = nullptr;
  HWND HostWindow = nullptr;  // remembered once found, never cleared
  UINT_PTR WatchdogTimer = 0;
  HANDLE Mutex = nullptr;
};

// The one instance of the entry's state.
BridgeState& Bridge();

// The process-wide exchange document: built before the entry runs and torn
// down after it returns (which also ends the renderer session).
ExchangeDocument& Document();

// Looks up the host window by its class when it is not known yet; returns it (may be null).
HWND FindHostWindowOnce();

}  // namespace tarnwick::app
