// Counting in the texts that the bridge leaves behind (its log, the journal).
#pragma once

#include <string>

namespace tarnwick::test_host {

// How often `needle` stands in `text`, overlapping occurrences included.
inline int CountOf(const std::string& text, const std::string& needle) {
  int count = 0;
  for (std::size_t at = text.find(needle); at != std::string::npos;
       at = text.find(needle, at + 1)) {
    ++count;
  }
  return count;
}

}  // namespace tarnwick::test_host
