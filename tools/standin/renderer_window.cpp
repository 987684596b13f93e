// The stand-in renderer's main window: a hidden window of the renderer's
// window class that lives until it is closed, so that the bridge's watchdog
// sees a running renderer. D5API_StartD5Render starts it when none exists.
#include <windows.h>

#include "protocol/protocol.h"

namespace {

const wchar_t* const kWindowClass =
    reinterpret_cast<const wchar_t*>(tarnwick::protocol::kRendererWindowClass.wide);

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_DESTROY) {
    PostQuitMessage(0);
    return 0;
  }
  return DefWindowProcW(window, message, wparam, lparam);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  WNDCLASSEXW window_class{};
  window_class.cbSize = sizeof window_class;
  window_class.lpfnWndProc = WindowProc;
  window_class.hInstance = instance;
  window_class.lpszClassName = kWindowClass;
  if (!RegisterClassExW(&window_class)) return 1;
  // Hidden: never shown, but found by its class.
  const HWND window = CreateWindowExW(0, kWindowClass, L"D5 Render (stand-in)", WS_OVERLAPPEDWINDOW,
                                      CW_USEDEFAULT, CW_USEDEFAULT, 640, 480, nullptr, nullptr,
                                      instance, nullptr);
  if (!window) return 1;
  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  return 0;
}
