// The benchmark's start-up yardstick: a program that loads what Tarnwick.exe
// loads (user32 and D5Api.dll), registers a window class, creates and hides a
// window as Tarnwick.exe does, and exits without reading anything. Its time is
// what every start of Tarnwick.exe costs under Wine before any export work.
#include <windows.h>

#include "renderer/d5api.h"

namespace {

constexpr wchar_t kClass[] = L"TarnwickBenchWindow";

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  // Referenced so that the loader maps D5Api.dll, as it does for Tarnwick.exe; never called.
  static auto* volatile keep_renderer = &D5API_FlushData;
  (void)keep_renderer;
  WNDCLASSEXW window_class{};
  window_class.cbSize = sizeof(WNDCLASSEXW);
  window_class.style = CS_HREDRAW | CS_VREDRAW;
  window_class.lpfnWndProc = DefWindowProcW;
  window_class.hInstance = instance;
  window_class.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));  // IDC_ARROW
  window_class.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  window_class.lpszClassName = kClass;
  if (!RegisterClassExW(&window_class)) return 1;
  const HWND window = CreateWindowExW(0, kClass, L"", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, 0,
                                      CW_USEDEFAULT, 0, nullptr, nullptr, instance, nullptr);
  if (window == nullptr) return 1;
  ShowWindow(window, SW_HIDE);
  UpdateWindow(window);
  DestroyWindow(window);
  return 0;
}
