#include "testlib/samples.h"

#include <cstdlib>
#include <fstream>
#include <iterator>

namespace tarnwick::testing {

std::optional<std::string> ReadSampleFile(const std::string& relative_path) {
  const char* folder = std::getenv("TARNWICK_SAMPLES");
  if (!folder || !*folder) return std::nullopt;
  std::ifstream in(std::string(folder) + "/" + relative_path, std::ios::binary);
  if (!in) return std::nullopt;
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace tarnwick::testing
