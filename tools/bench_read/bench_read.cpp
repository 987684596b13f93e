// The benchmark's yardstick: reads a file from front to back with fread in
// 1 MiB blocks, as a plain program would, and exits. Exit code 0 when at least
// one byte was read.
#include "plain_read.h"

int wmain(int argc, wchar_t** argv) {
  if (argc != 2) return 2;
  return tarnwick::bench::ReadWholeFile(argv[1]) > 0 ? 0 : 1;
}
