#include <io.h>

#include <cstdio>

#include "inspect/terminal.h"

namespace tarnwick::inspect {

bool StandardErrorIsTerminal() { return _isatty(_fileno(stderr)) != 0; }

}  // namespace tarnwick::inspect
