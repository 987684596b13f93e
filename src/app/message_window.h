// The bridge's hidden top-level window: host requests arrive at it as posted
// messages and its procedure serves each one, to completion, on the one thread.
#pragma once

#include <windows.h>

namespace tarnwick::app {

// Owns the window handle; the window is destroyed with the object if it still exists.
class MessageWindow {
 public:
  MessageWindow() = default;
  ~MessageWindow();
  MessageWindow(const MessageWindow&) = delete;
  MessageWindow& operator=(const MessageWindow&) = delete;

  // Registers the window class (result not examined) with the program's icons.
  static void Register(HINSTANCE instance, const wchar_t* class_name);

  // Creates the window hidden; false when creation failed.
  bool Create(HINSTANCE instance, const wchar_t* class_name, const wchar_t* title);

  // The window, null before creation, after a failed one or once destroyed.
  HWND handle() const { return handle_; }

 private:
  static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam);

  HWND handle_ = nullptr;
};

// Called once the start-up export has succeeded: serves the requests held until
// then, in arrival order, and every later one as it arrives.
void StartServingRequests();

// The window procedure's dispatch, for one message: the result it returns.
LRESULT DispatchBridgeMessage(HWND window, UINT message, WPARAM wparam, LPARAM lparam);

}  // namespace tarnwick::app
