// The watchdog's test after each tick of TIMER_WATCHDOG: the bridge serves only
// while the host's main window and the renderer's main window are open.
#pragma once

#include <windows.h>

namespace tarnwick::app {

// True while the host window is known, still a window of class "Corvella_class",
// and a window of class "Qt5152QWindowIcon" exists; checked in that order.
bool HostAndRendererStillOpen(HWND host_window);

// True when the dispatched message is a tick of the watchdog timer.
bool IsWatchdogTick(const MSG& message, UINT_PTR watchdog_timer);

}  // namespace tarnwick::app
