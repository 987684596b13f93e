#!/bin/bash
# Signs Windows programs in place with Authenticode (osslsigncode, SHA-256), with the
# certificate that the environment names:
#   TARNWICK_SIGN_PKCS12         a PKCS#12 file (.p12/.pfx) with the code-signing
#                                certificate, its chain and its private key
#   TARNWICK_SIGN_PASSWORD       the file's password (read from a pipe, never put on a
#                                command line that other users could see)
#   TARNWICK_SIGN_TIMESTAMP_URL  optional: an RFC 3161 time-stamp server, so that the
#                                signature stays valid after the certificate expires
#   scripts/sign_programs.sh PROGRAM.exe...
# A signature holds its signing time: signed programs are not byte-reproducible, the
# unsigned ones are.
set -euo pipefail
[ $# -ge 1 ] || { echo "usage: scripts/sign_programs.sh PROGRAM.exe..." >&2; exit 2; }
: "${TARNWICK_SIGN_PKCS12:?sign_programs: TARNWICK_SIGN_PKCS12 names no certificate}"
[ -f "$TARNWICK_SIGN_PKCS12" ] || { echo "sign_programs: no file $TARNWICK_SIGN_PKCS12" >&2; exit 2; }
command -v osslsigncode >/dev/null || { echo "sign_programs: osslsigncode is missing" >&2; exit 2; }

timestamp=()
[ -n "${TARNWICK_SIGN_TIMESTAMP_URL:-}" ] && timestamp=(-ts "$TARNWICK_SIGN_TIMESTAMP_URL")
for program in "$@"; do
  signed="$program.signed"
  osslsigncode sign -pkcs12 "$TARNWICK_SIGN_PKCS12" \
    -readpass <(printf '%s' "${TARNWICK_SIGN_PASSWORD:-}") \
    -h sha256 -n "Tarnwick" "${timestamp[@]}" -in "$program" -out "$signed" >/dev/null ||
    { rm -f "$signed"; echo "sign_programs: could not sign $program" >&2; exit 1; }
  mv -f "$signed" "$program"
  echo "sign_programs: signed $program"
done
