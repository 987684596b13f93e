#include <windows.h>
#include <io.h>
#include <shellapi.h>

#include <cstdio>

#include "inspect/console.h"
#include "platform/text.h"

namespace tarnwick::inspect {

std::vector<std::string> Utf8Arguments(int /*argc*/, char** /*argv*/) {
  // The narrow argv holds the paths in the ANSI code page, which cannot name every
  // file; the wide command line can.
  std::vector<std::string> args;
  int count = 0;
  wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count);
  if (!wide) return args;
  for (int i = 1; i < count; ++i) {
    const std::wstring_view arg(wide[i]);
    args.push_back(Utf8FromUtf16(std::u16string(arg.begin(), arg.end())));
  }
  LocalFree(wide);
  return args;
}

bool StandardErrorIsTerminal() { return _isatty(_fileno(stderr)) != 0; }

}  // namespace tarnwick::inspect
