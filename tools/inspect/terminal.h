// Whether standard error is a terminal (for the progress line).
#pragma once

namespace tarnwick::inspect {

// True when standard error goes to a terminal rather than a file or a pipe.
bool StandardErrorIsTerminal();

}  // namespace tarnwick::inspect
