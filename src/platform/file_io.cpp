#include "platform/file_io.h"

namespace tarnwick {

void WriteTextModeBytes(std::FILE* file, std::string_view text) {
  std::string out;
  out.reserve(text.size() + text.size() / 16 + 2);
  for (char c : text) {
    if (c == '\n') out.push_back('\r');
    out.push_back(c);
  }
  std::fwrite(out.data(), 1, out.size(), file);
}

}  // namespace tarnwick
