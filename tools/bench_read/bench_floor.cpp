// The honest floor of a start-up export on this target: a bridge must own its
// window before it exports, so this program loads what Tarnwick.exe loads,
// makes its hidden window, and then reads the model file as the plain reader
// does. Exit code 0 when the window was made and at least one byte was read.
#include <windows.h>

#include "hidden_window.h"
#include "plain_read.h"
#include "renderer/d5api.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  static auto* volatile keep_renderer = &D5API_FlushData;
  (void)keep_renderer;
  int argc = 0;
  wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
  if (argv == nullptr || argc != 2) return 2;
  const bool made = tarnwick::bench::MakeHiddenWindow(instance);
  const bool read = tarnwick::bench::ReadWholeFile(argv[1]) > 0;
  LocalFree(argv);
  return made && read ? 0 : 1;
}
