// The shared samples of an independent writer, for tests that compare with them.
#pragma once

#include <optional>
#include <string>

namespace tarnwick::testing {

// A file of the shared samples (TARNWICK_SAMPLES names their folder); nothing
// when the variable is unset or the file cannot be read.
std::optional<std::string> ReadSampleFile(const std::string& relative_path);

}  // namespace tarnwick::testing
