#!/bin/bash
# Checks that the build is reproducible: Tarnwick.exe and D5Api.dll of the
# windows preset, and the release's stripped Tarnwick.exe with its symbol file,
# are built again from a copy of the sources in another folder, into another
# build folder, without the compiler cache, and must be byte for byte the same
# as those of the first build.
#   scripts/check_reproducible.sh [BUILD_DIR]   (default: build/windows)
# Exits 0 when both files are identical, 1 when they differ, 2 when a build fails.
set -euo pipefail
cd "$(dirname "$0")/.."
first=${1:-build/windows}
jobs=${TARNWICK_JOBS:-2}
files=(bin/Tarnwick.exe bin/D5Api.dll release/programs/Tarnwick.exe
       release/symbols/Tarnwick.exe.debug)
targets=(Tarnwick D5Api tarnwick_release_programs)

if [ ! -f "$first/CMakeCache.txt" ]; then
  cmake --preset windows -B "$first" >/dev/null || exit 2
fi
cmake --build "$first" -j "$jobs" --target "${targets[@]}" >/dev/null || exit 2

# The second tree: the tracked files as they are now (edits included), in a
# folder of another name and depth than the first.
other=$(mktemp -d "${TMPDIR:-/tmp}/tarnwick-repro.XXXXXX")
trap '[ -n "${TARNWICK_KEEP_REPRO:-}" ] || rm -rf "$other"' EXIT
git ls-files -z --cached --others --exclude-standard | tar -c --null -T - | tar -x -C "$other"
mkdir -p "$other/elsewhere"
echo "check_reproducible: second build in $other/elsewhere/out"
(
  cd "$other/elsewhere/.."
  export CCACHE_DISABLE=1
  cmake --preset windows -B elsewhere/out -DTARNWICK_TESTS=OFF >/dev/null &&
    cmake --build elsewhere/out -j "$jobs" --target "${targets[@]}" >/dev/null
) || exit 2

status=0
for file in "${files[@]}"; do
  if cmp -s "$first/$file" "$other/elsewhere/out/$file"; then
    echo "check_reproducible: $file identical ($(sha256sum <"$first/$file" | cut -c1-64))"
  else
    echo "check_reproducible: $file DIFFERS between $first and the second build" >&2
    cmp "$first/$file" "$other/elsewhere/out/$file" | head -1 >&2 || true
    status=1
  fi
done
exit $status
