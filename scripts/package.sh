#!/bin/bash
# Makes the release archive dist/tarnwick-X.Y.Z-win64.zip from a release build
# of the windows preset in build/package: the shipped programs (stripped),
# INSTALL.txt, LICENSE and SHA256SUMS; and beside it the symbols archive
# dist/tarnwick-X.Y.Z-win64-symbols.zip with the programs' symbol files, for
# scripts/crash_symbols.sh (scripts/make_release_zip.py). Unsigned, both
# archives' bytes depend only on the sources and the commit's date. Then, unless
# --no-check, scripts/check_package.sh runs the packaged Tarnwick.exe under Wine.
#   scripts/package.sh [--no-check]
# Signing: with TARNWICK_SIGN_PKCS12 (a PKCS#12 file) and TARNWICK_SIGN_PASSWORD
# set, and optionally TARNWICK_SIGN_TIMESTAMP_URL, the programs are signed with
# Authenticode before they are packed (scripts/sign_programs.sh).
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=${TARNWICK_JOBS:-2}
build=build/package
check=1
[ "${1:-}" = --no-check ] && check=0

echo "== Configuring and building the release in $build"
cmake --preset windows -B "$build" -DCMAKE_BUILD_TYPE=Release >/dev/null
# The stand-in renderer and the house sample test serve only the check.
targets=(tarnwick_release_programs)
[ $check = 1 ] && targets+=(D5Api host_sim_tests)
cmake --build "$build" -j "$jobs" --target "${targets[@]}"

version=$(sed -n 's/.*kVersion\[\] = "\(.*\)";/\1/p' "$build/generated/tarnwick_version.h")
[ -n "$version" ] || { echo "package: no version in $build/generated/tarnwick_version.h" >&2; exit 1; }
# Every entry carries the time of the commit (or SOURCE_DATE_EPOCH).
date=${SOURCE_DATE_EPOCH:-$(git log -1 --format=%ct 2>/dev/null || echo 0)}
if [ -n "$(git status --porcelain --untracked-files=no 2>/dev/null)" ]; then
  echo "package: WARNING: uncommitted changes; the archive is not that of commit $(git rev-parse --short HEAD)" >&2
fi

# The programs to ship, stripped, in a folder of their own where they may be signed.
stage=$build/release/stage
rm -rf "$stage"
mkdir -p "$stage"
for name in $(cat "$build/release/shipped_programs.txt"); do
  cp "$build/release/programs/$name" "$stage/"
done
if [ -n "${TARNWICK_SIGN_PKCS12:-}" ]; then
  echo "== Signing the programs with $TARNWICK_SIGN_PKCS12"
  scripts/sign_programs.sh "$stage"/*.exe
else
  echo "== The programs are not signed (no TARNWICK_SIGN_PKCS12)"
fi

archive=dist/tarnwick-$version-win64.zip
symbols=dist/tarnwick-$version-win64-symbols.zip
echo "== Writing $archive and $symbols"
python3 scripts/make_release_zip.py --build "$build" --version "$version" --date "$date" \
  --programs "$stage" --out "$archive" --symbols-out "$symbols"
for file in "$archive" "$symbols"; do
  echo "$file: $(stat -c %s "$file") bytes, sha256 $(sha256sum <"$file" | cut -c1-64)"
done

if [ $check = 1 ]; then
  scripts/check_package.sh "$archive" "$build"
fi
