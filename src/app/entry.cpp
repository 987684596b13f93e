// Tarnwick.exe's entry: the first process becomes the resident bridge, every
// later one forwards its request word to it and exits.
#include <windows.h>

#include <string>
#include <vector>

#include "app/bridge_state.h"
#include "app/crash_report.h"
#include "app/message_window.h"
#include "app/resource.h"
#include "app/watchdog.h"
#include "bridge/command_line.h"
#include "bridge/requests.h"
#include "bridge/resident_lookup.h"
#include "exchange/activity.h"
#include "protocol/protocol.h"

namespace tarnwick::app {

namespace {

// Splits, matches and logs the command line (the log entries precede the mutex,
// so a forwarding process logs its word too).
void ReadRequest(const wchar_t* command_line) {
  const std::u16string text(reinterpret_cast<const char16_t*>(command_line ? command_line : L""));
  const std::vector<std::u16string> words = SplitCommandLine(text);
  const CommandRequest request = MatchRequest(words);
  Bridge().RequestCode = request.RequestCode;
  if (request.ColorMode) Document().ColorModeFlag = true;
  LogRequestWord(words);
}

// Posts the request, if any, to a window; the result is not examined.
void PostRequest(HWND window) {
  const std::uint32_t message = RequestMessage(Bridge().RequestCode);
  if (window != nullptr && message != 0) PostMessageW(window, message, 0, 0);
}

// A later process: hand the request to the resident bridge's window, which may
// not exist yet when the resident has only just taken the mutex.
void ForwardToResident() {
  // With nothing to hand on there is no reason to wait for the window.
  if (RequestMessage(Bridge().RequestCode) == 0) return;
  HWND resident = nullptr;
  LookForResident({[&resident] {
                     resident = FindWindowW(Bridge().ClassName, nullptr);
                     return resident != nullptr;
                   },
                   [](std::uint32_t ms) { Sleep(ms); }, [] { return GetTickCount64(); }});
  PostRequest(resident);
}

// Gets messages until WM_QUIT or the first failed watchdog check.
void RunMessageLoop() {
  BridgeState& bridge = Bridge();
  MSG message{};
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
    if (IsWatchdogTick(message, bridge.WatchdogTimer) &&
        !HostAndRendererStillOpen(bridge.HostWindow)) {
      break;
    }
  }
}

// The first process: window, start-up export, own request, timers, serving.
void ServeAsResident() {
  BridgeState& bridge = Bridge();
  MessageWindow::Register(bridge.Instance, bridge.ClassName);
  MessageWindow window;
  if (!window.Create(bridge.Instance, bridge.ClassName, bridge.Title)) {
    bridge.OwnWindow = nullptr;
    return;
  }
  bridge.OwnWindow = window.handle();
  FindHostWindowOnce();
  // Requests dispatched before this point (by the error box's loop, say) are
  // held; they die with the process when the export fails.
  if (!RunStartupExport(Document())) return;
  StartServingRequests();
  PostRequest(bridge.OwnWindow);
  bridge.WatchdogTimer = SetTimer(bridge.OwnWindow, protocol::TIMER_WATCHDOG, protocol::kWatchdogPeriodMs, nullptr);
  // The slow timer's identifier is not kept, so its ticks never end the loop:
  // the bridge stays resident while the host and the renderer are open.
  SetTimer(bridge.OwnWindow, protocol::TIMER_SLOW, protocol::kSlowTimerPeriodMs, nullptr);
  ActivityStep::Set("waiting for requests");
  RunMessageLoop();
}

int RunEntry(HINSTANCE instance, const wchar_t* command_line) {
  InstallCrashReport();
  BridgeState& bridge = Bridge();
  bridge.Instance = instance;
  ReadRequest(command_line);
  bridge.Mutex = CreateMutexW(nullptr, TRUE, reinterpret_cast<const wchar_t*>(protocol::kSingleInstanceMutex.wide));
  const bool already_running = GetLastError() == ERROR_ALREADY_EXISTS;
  LoadStringW(instance, IDS_APP_TITLE, bridge.Title, kNameBufferLength);
  LoadStringW(instance, IDS_WINDOW_CLASS, bridge.ClassName, kNameBufferLength);
  if (already_running) {
    // This process does not own the mutex: it closes its handle, without releasing, before it
    // looks for the resident's window. Were it kept, a start while it looks (the resident
    // having just ended) would find the mutex and forward to nobody instead of exporting.
    CloseHandle(bridge.Mutex);
    bridge.Mutex = nullptr;
    ForwardToResident();
  } else {
    ServeAsResident();
    ReleaseMutex(bridge.Mutex);
  }
  if (bridge.Mutex != nullptr) CloseHandle(bridge.Mutex);
  ActivityStep::Set("ending");  // the session ends with the process's static objects
  return 0;
}

}  // namespace

}  // namespace tarnwick::app

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR command_line, int) {
  return tarnwick::app::RunEntry(instance, command_line);
}
