#!/bin/bash
# Checks scripts/crash_symbols.sh on a windows build's release files: an offset inside
# wWinMain of the stripped Tarnwick.exe, written as a crash entry writes it, is named
# wWinMain in src/app/entry.cpp, from the symbols folder and from a symbols archive;
# a module without symbols is said to have none. Also checks that the release's
# programs carry no symbol table and name their symbol file in a debug link.
#   scripts/crash_symbols_test.sh BUILD_DIR
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:?usage: scripts/crash_symbols_test.sh BUILD_DIR}
programs=$build/release/programs
symbols=$build/release/symbols
tools=x86_64-w64-mingw32
fail() { echo "crash_symbols_test: $*" >&2; exit 1; }

work=$(mktemp -d "${TMPDIR:-/tmp}/tarnwick-symbols-test.XXXXXX")
trap 'rm -rf "$work"' EXIT
for program in "$programs"/*.exe; do
  name=${program##*/}
  if $tools-nm "$program" 2>&1 | grep -qv 'no symbols'; then fail "$name carries symbols"; fi
  $tools-objcopy --dump-section .gnu_debuglink="$work/link" "$program" "$work/copy" ||
    fail "$name has no debug link"
  link=$(tr '\0' '\n' <"$work/link" | head -1)
  [ "$link" = "$name.debug" ] || fail "$name links '$link', not $name.debug"
  [ -f "$symbols/$name.debug" ] || fail "$name.debug is missing"
done

# Where wWinMain lies, from the symbol table kept in the symbol file.
debug=$symbols/Tarnwick.exe.debug
start=$($tools-nm "$debug" | awk '$3 == "wWinMain" { print $1 }')
base=$($tools-objdump -p "$debug" | awk '$1 == "ImageBase" { print $2 }')
[ -n "$start" ] && [ -n "$base" ] || fail "no wWinMain or ImageBase in $debug"
offset=$(printf '0x%X' $(( 16#$start - 16#$base + 3 )))
line="[2025. 03. 07 - 09:05:02]: Crash: 0xC0000005 EXCEPTION_ACCESS_VIOLATION writing 0x0 in Tarnwick.exe+$offset; while starting"

check() {
  local out
  out=$(scripts/crash_symbols.sh "$1" "$line" "D5Api.dll+0x94D8")
  echo "$out"
  grep -q "^Tarnwick.exe+$offset: wWinMain at .*src/app/entry\.cpp:[0-9]" <<<"$out" ||
    fail "the offset in wWinMain was not named (symbols from $1)"
  grep -q "^D5Api.dll+0x94D8: no symbols for D5Api.dll here" <<<"$out" ||
    fail "a module without symbols was not told"
}
check "$symbols"
(cd "$symbols" && python3 -m zipfile -c "$work/symbols.zip" Tarnwick.exe.debug)
check "$work/symbols.zip"
echo "crash_symbols_test: passed"
