#!/bin/bash
# Turns the places of a crash entry ("Crash: ... in D5Api.dll+0x94D8 (...) called from
# Tarnwick.exe+0xEA95; ...") into function, source file and line, with the symbol files
# of that release (the NAME.exe.debug files of dist/tarnwick-X.Y.Z-win64-symbols.zip).
#   scripts/crash_symbols.sh SYMBOLS 'CRASH LINE OR MODULE+0xOFFSET'...
# SYMBOLS is the symbols archive or a folder that holds the .debug files. Every
# MODULE+0xOFFSET of the text is looked up; a module without a symbol file here (the
# renderer's D5Api.dll, a system library) is said to have none.
#
# The offset counts from the address where Windows loaded the module; addr2line wants
# the address the program was linked for, its ImageBase plus the offset. A place after
# "called from" is a return address, the instruction after the call: one byte back is
# still the call's line.
set -euo pipefail
[ $# -ge 2 ] || { echo "usage: scripts/crash_symbols.sh SYMBOLS 'CRASH LINE OR MODULE+0xOFFSET'..." >&2; exit 2; }
symbols=$1
shift
tools=x86_64-w64-mingw32
command -v $tools-addr2line >/dev/null || { echo "crash_symbols: $tools-addr2line is missing (binutils-mingw-w64-x86-64)" >&2; exit 2; }

if [ -f "$symbols" ]; then
  folder=$(mktemp -d "${TMPDIR:-/tmp}/tarnwick-symbols.XXXXXX")
  trap 'rm -rf "$folder"' EXIT
  python3 -m zipfile -e "$symbols" "$folder"
elif [ -d "$symbols" ]; then
  folder=$symbols
else
  echo "crash_symbols: no symbols archive or folder at $symbols" >&2
  exit 2
fi

# The symbol file of a module, whatever the case of its name (Windows ignores it).
symbol_file() {
  find "$folder" -maxdepth 1 -type f -iname "$1.debug" | head -1
}

status=0
text="$*"
# Each place with what precedes it, so that a return address can be told apart.
while IFS= read -r place; do
  [ -n "$place" ] || continue
  module=${place%%+*}
  module=${module##* }
  offset=${place##*+}
  file=$(symbol_file "$module")
  if [ -z "$file" ]; then
    echo "$module+$offset: no symbols for $module here"
    continue
  fi
  base=$($tools-objdump -p "$file" | awk '$1 == "ImageBase" { print $2 }')
  address=$(( 16#$base + offset ))
  case "$place" in "called from "*) address=$(( address - 1 )) ;; esac
  printf '%s+%s: ' "$module" "$offset"
  # The objects name the build folder "build" and the sources' top "." (or, from the build
  # folder, "../.."): the path is told from the source tree's top.
  $tools-addr2line -e "$file" -f -C -i -p "$(printf '0x%x' "$address")" |
    sed -e 's#build/\./##g' -e 's#build/\.\./\.\./##g' || status=1
done < <(grep -oE '(called from )?[A-Za-z0-9_.-]+\+0x[0-9A-Fa-f]+' <<<"$text")
exit $status
