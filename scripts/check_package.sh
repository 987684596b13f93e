#!/bin/bash
# Checks a release archive: it holds exactly the shipped files with matching
# checksums, its programs carry no symbol table, the symbols archive beside it
# (tarnwick-X.Y.Z-win64-symbols.zip) holds each program's symbol file, and its Tarnwick.exe, unzipped into an empty folder beside the
# stand-in D5Api.dll, runs the house sample end to end under Wine (the house
# sample test of the host simulator, started from that folder, drives the
# packaged program).
#   scripts/check_package.sh ARCHIVE BUILD_DIR
# BUILD_DIR is a windows build that holds the stand-in and host_sim_tests.exe.
set -euo pipefail
cd "$(dirname "$0")/.."
[ $# -eq 2 ] || { echo "usage: scripts/check_package.sh ARCHIVE BUILD_DIR" >&2; exit 2; }
archive=$1
build=$2
folder=$build/package_check
allowed=" Tarnwick.exe tarnwick_inspect.exe INSTALL.txt LICENSE SHA256SUMS "

fail() { echo "check_package: $*" >&2; exit 1; }

rm -rf "$folder"
mkdir -p "$folder"
trap 'cmake/wine-run.sh --stop "$build"' EXIT
python3 -m zipfile -e "$archive" "$folder"
for file in "$folder"/*; do
  name=${file##*/}
  [[ "$allowed" == *" $name "* ]] || fail "$name must not be in the archive"
done
for name in Tarnwick.exe INSTALL.txt LICENSE SHA256SUMS; do
  [ -f "$folder/$name" ] || fail "$name is missing from the archive"
done
(cd "$folder" && sha256sum --quiet -c SHA256SUMS) || fail "a checksum does not match"
echo "check_package: contents and checksums are right: $(cd "$folder" && echo *)"

symbols=${archive%.zip}-symbols.zip
[ -f "$symbols" ] || fail "no symbols archive $symbols beside the release archive"
listed=$(python3 -m zipfile -l "$symbols")
for program in "$folder"/*.exe; do
  name=${program##*/}
  if x86_64-w64-mingw32-nm "$program" 2>&1 | grep -qv 'no symbols'; then
    fail "$name carries its symbol table"
  fi
  grep -q "^$name.debug " <<<"$listed" || fail "$symbols lacks $name.debug"
done
echo "check_package: the programs are stripped; their symbols are in ${symbols##*/}"

# The stand-in renderer (with its window program) and the test beside the
# packaged program; the test starts the Tarnwick.exe of its own folder.
cp "$build/bin/D5Api.dll" "$build/bin/renderer_window.exe" "$build/bin/host_sim_tests.exe" "$folder/"
echo "check_package: running the house sample with the packaged Tarnwick.exe under Wine"
cmake/wine-run.sh "$folder/host_sim_tests.exe" --gtest_filter='HouseSample.*' --gtest_brief=1 ||
  fail "the packaged Tarnwick.exe failed the house sample"
echo "check_package: the packaged Tarnwick.exe ran the house sample end to end"
