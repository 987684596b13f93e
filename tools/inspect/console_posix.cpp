#include <unistd.h>

#include "inspect/console.h"

namespace tarnwick::inspect {

std::vector<std::string> Utf8Arguments(int argc, char** argv) {
  // POSIX paths are bytes; they are passed on unchanged.
  return std::vector<std::string>(argv + 1, argv + argc);
}

bool StandardErrorIsTerminal() { return isatty(STDERR_FILENO) != 0; }

}  // namespace tarnwick::inspect
