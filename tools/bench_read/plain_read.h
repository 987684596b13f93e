// The benchmark's plain reader: a file read from front to back with fread in
// 1 MiB blocks, as a plain program reads it.
#pragma once

#include <cstdio>
#include <vector>

namespace tarnwick::bench {

// Bytes read from the file at `path`; 0 when it cannot be opened or is empty.
inline unsigned long long ReadWholeFile(const wchar_t* path) {
  constexpr std::size_t kBlockBytes = std::size_t{1} << 20;
  std::FILE* file = _wfopen(path, L"rb");
  if (!file) return 0;
  std::vector<char> block(kBlockBytes);
  unsigned long long total = 0;
  while (const std::size_t n = std::fread(block.data(), 1, block.size(), file)) total += n;
  std::fclose(file);
  return total;
}

}  // namespace tarnwick::bench
