#!/bin/bash
# Builds and tests every configuration: native (unit tests under ASan/UBSan),
# fuzz (corpus replay) and windows (cross-built, tests under Wine, and a second
# build in another folder that must give the same bytes).
# Exits non-zero when any step of any configuration fails.
#   scripts/test.sh [PRESET...]    (default: native fuzz windows)
set -uo pipefail
cd "$(dirname "$0")/.."

presets=("$@")
[ ${#presets[@]} -gt 0 ] || presets=(native fuzz windows)
jobs=${TARNWICK_JOBS:-2}
failed=()

for preset in "${presets[@]}"; do
  echo "=== $preset: configure, build, test"
  if ! cmake --preset "$preset"; then
    failed+=("$preset (configure)")
    continue
  fi
  if ! cmake --build --preset "$preset" -j "$jobs"; then
    failed+=("$preset (build)")
    continue
  fi
  if ! ctest --preset "$preset" -j "$jobs"; then
    failed+=("$preset (tests)")
  fi
  # No wineserver outlives the run, whichever tests ran last.
  if [ "$preset" = windows ]; then cmake/wine-run.sh --stop build/windows; fi
  # A second build elsewhere must give the same Tarnwick.exe and D5Api.dll.
  if [ "$preset" = windows ] && ! scripts/check_reproducible.sh build/windows; then
    failed+=("windows (reproducible build)")
  fi
done

echo "=== summary"
if [ ${#failed[@]} -gt 0 ]; then
  printf 'FAILED: %s\n' "${failed[@]}"
  exit 1
fi
echo "all configurations built and passed: ${presets[*]}"
