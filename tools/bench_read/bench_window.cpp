// The benchmark's start-up yardstick: a program that loads what Tarnwick.exe
// loads (user32 and D5Api.dll), registers a window class, creates and hides a
// window as Tarnwick.exe does, and exits without reading anything. Its time is
// what every start of Tarnwick.exe costs under Wine before any export work.
#include <windows.h>

#include "hidden_window.h"
#include "renderer/d5api.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  // Referenced so that the loader maps D5Api.dll, as it does for Tarnwick.exe; never called.
  static auto* volatile keep_renderer = &D5API_FlushData;
  (void)keep_renderer;
  return tarnwick::bench::MakeHiddenWindow(instance) ? 0 : 1;
}
