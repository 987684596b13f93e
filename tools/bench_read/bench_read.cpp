// The benchmark's yardstick: reads a file from front to back with fread in
// 1 MiB blocks, as a plain program would, and exits. Exit code 0 when at least
// one byte was read.
#include <cstdio>
#include <vector>

namespace {

constexpr std::size_t kBlockBytes = std::size_t{1} << 20;

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 2) return 2;
  std::FILE* file = _wfopen(argv[1], L"rb");
  if (!file) return 1;
  std::vector<char> block(kBlockBytes);
  unsigned long long total = 0;
  while (const std::size_t n = std::fread(block.data(), 1, block.size(), file)) total += n;
  std::fclose(file);
  return total > 0 ? 0 : 1;
}
