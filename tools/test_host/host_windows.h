// Windows that stand in for the host CAD application and the renderer in tests
// and in the demo: hidden top-level windows of a chosen class, in this process.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

#include "test_host/protocol_names.h"

namespace tarnwick::test_host {

// The classes that Tarnwick.exe watches.
inline const wchar_t* const kHostClass = Wide(protocol::kHostWindowClass);
inline const wchar_t* const kRendererClass = Wide(protocol::kRendererWindowClass);

// A hidden top-level window of the given class; destroyed with the object.
class FakeWindow {
 public:
  explicit FakeWindow(const std::wstring& class_name);
  ~FakeWindow();
  FakeWindow(const FakeWindow&) = delete;
  FakeWindow& operator=(const FakeWindow&) = delete;

  // Destroys the window now (the bridge's watchdog sees it gone).
  void Destroy();
  HWND handle() const { return handle_; }
  // Messages of this number received so far, and the lParam of the last one.
  int CountOf(UINT message) const;
  LPARAM LastLParamOf(UINT message) const;

 private:
  static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam);

  HWND handle_ = nullptr;
  int counts_[2048] = {};
  LPARAM last_lparam_[2048] = {};
};

// Serves this thread's messages for the given time.
void PumpMessagesFor(DWORD milliseconds);

// Serves messages until the condition holds or the time is up; the condition's last value.
bool PumpUntil(const std::function<bool()>& condition, DWORD timeout_ms);

}  // namespace tarnwick::test_host
