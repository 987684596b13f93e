// The process-wide state of the bridge's entry, in one place: what the command
// line asked for, the windows it knows and the kernel objects it holds. All of
// it lives on the one thread.
#pragma once

#include <windows.h>

#include <cstdint>

#include "formats/exchange_document.h"

namespace tarnwick::app {

// Window classes that the bridge watches or talks to.
inline constexpr char kHostWindowClass[] = "Corvella_class";
inline constexpr char kRendererWindowClass[] = "Qt5152QWindowIcon";

// The watchdog: checks the host and the renderer after every tick.
inline constexpr UINT_PTR TIMER_WATCHDOG = 101;
inline constexpr UINT kWatchdogPeriodMs = 1000;
// A second, slow timer on the window; its ticks end nothing.
inline constexpr UINT_PTR TIMER_SLOW = 100;
inline constexpr UINT kSlowTimerPeriodMs = 50000;

// Length of the title and class-name buffers, in characters.
inline constexpr int kNameBufferLength = 100;

// Everything the entry sets up and the window procedure reads.
struct BridgeState {
  HINSTANCE Instance = nullptr;
  std::int32_t RequestCode = 0;
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
