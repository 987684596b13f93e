#!/bin/sh
# Checks the link to the renderer's client library by name:
#   check_d5api_names.sh OBJDUMP PROGRAM.exe D5Api.dll d5api.def
# - every import of PROGRAM.exe from D5Api.dll is by name, and a name of the list;
# - D5Api.dll exports every name of the list, by name.
set -u
objdump=$1 program=$2 dll=$3 def=$4
fail() { echo "check_d5api_names: $*" >&2; exit 1; }

expected=$(sed -n 's/^[[:space:]]*\(D5API_[A-Za-z0-9_]*\)[[:space:]]*$/\1/p' "$def" | sort)
[ "$(echo "$expected" | wc -l)" -eq 29 ] || fail "the list does not hold 29 names"

# The import block of D5Api.dll: from its "DLL Name" line to the next blank line.
imports=$("$objdump" -p "$program" | awk '
  /DLL Name: / { inblock = ($3 == "D5Api.dll"); found = found || inblock; next }
  inblock && /Hint\/Ord/ { next }
  inblock && NF == 0 { inblock = 0; next }
  inblock { print }
  END { if (!found) print "MISSING-D5API-DLL" }')
[ "$imports" != "MISSING-D5API-DLL" ] || fail "$program does not import D5Api.dll"
[ -n "$imports" ] || fail "$program imports nothing from D5Api.dll"
echo "$imports" | while read -r vma hint name rest; do
  echo "$expected" | grep -qx "$name" || fail "import without a listed name: $vma $hint $name $rest"
done || exit 1

exports=$("$objdump" -p "$dll" | awk '
  /\[Ordinal\/Name Pointer\] Table/ { intable = 1; next }
  intable && NF == 0 { intable = 0 }
  intable && $1 == "[" { print $3; next }
  intable && $1 ~ /^\[/ { print $2 }' | sort)
[ "$exports" = "$expected" ] || fail "D5Api.dll exports differ from the list:
$exports"
echo "$(echo "$imports" | wc -l) imports by name; 29 exports by name"
