// What every bridge does before it exports: it registers a window class and makes
// its hidden window, which under Wine loads user32 and gdi32 and talks to the
// Wine server. The benchmark's start-up programs do the same.
#pragma once

#include <windows.h>

namespace tarnwick::bench {

// Registers a class and creates, hides and destroys a window as Tarnwick.exe makes its
// own; false when the system refuses either.
inline bool MakeHiddenWindow(HINSTANCE instance) {
  constexpr wchar_t kClass[] = L"TarnwickBenchWindow";
  WNDCLASSEXW window_class{};
  window_class.cbSize = sizeof(WNDCLASSEXW);
  window_class.style = CS_HREDRAW | CS_VREDRAW;
  window_class.lpfnWndProc = DefWindowProcW;
  window_class.hInstance = instance;
  window_class.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));  // IDC_ARROW
  window_class.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  window_class.lpszClassName = kClass;
  if (!RegisterClassExW(&window_class)) return false;
  const HWND window = CreateWindowExW(0, kClass, L"", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, 0,
                                      CW_USEDEFAULT, 0, nullptr, nullptr, instance, nullptr);
  if (window == nullptr) return false;
  ShowWindow(window, SW_HIDE);
  UpdateWindow(window);
  DestroyWindow(window);
  return true;
}

}  // namespace tarnwick::bench
