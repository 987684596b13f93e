#include <unistd.h>

#include "inspect/terminal.h"

namespace tarnwick::inspect {

bool StandardErrorIsTerminal() { return isatty(STDERR_FILENO) != 0; }

}  // namespace tarnwick::inspect
