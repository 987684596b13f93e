// What the inspector needs of its console: its arguments as UTF-8 and whether
// standard error is a terminal (for the progress line).
#pragma once

#include <string>
#include <vector>

namespace tarnwick::inspect {

// The arguments after the program's name, as UTF-8 (on Windows from the wide command line).
std::vector<std::string> Utf8Arguments(int argc, char** argv);

// True when standard error goes to a terminal rather than a file or a pipe.
bool StandardErrorIsTerminal();

}  // namespace tarnwick::inspect
