#!/bin/bash
# Checks the signing of a release: a throwaway self-signed code-signing certificate is
# made with openssl, copies of the release's programs of a windows build are signed with
# it by scripts/sign_programs.sh (as scripts/package.sh does), and each signature must
# verify against that certificate and no other; the unsigned programs carry none.
#   scripts/check_signing.sh BUILD_DIR
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:?usage: scripts/check_signing.sh BUILD_DIR}
fail() { echo "check_signing: $*" >&2; exit 1; }

work=$(mktemp -d "${TMPDIR:-/tmp}/tarnwick-signing.XXXXXX")
trap 'rm -rf "$work"' EXIT
certificate() {  # NAME: a self-signed code-signing certificate NAME.pem, key in NAME.p12
  openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj "/CN=Tarnwick test $1" \
    -addext "extendedKeyUsage=codeSigning" -addext "keyUsage=digitalSignature" \
    -keyout "$work/$1.key" -out "$work/$1.pem" 2>/dev/null
  openssl pkcs12 -export -inkey "$work/$1.key" -in "$work/$1.pem" -out "$work/$1.p12" \
    -passout pass:throwaway-password
}
certificate signer
certificate stranger

mkdir "$work/programs"
cp "$build"/release/programs/*.exe "$work/programs/"
for program in "$work"/programs/*.exe; do
  if osslsigncode verify -CAfile "$work/signer.pem" -in "$program" >/dev/null 2>&1; then
    fail "${program##*/} verifies before it was signed"
  fi
done
TARNWICK_SIGN_PKCS12="$work/signer.p12" TARNWICK_SIGN_PASSWORD=throwaway-password \
  scripts/sign_programs.sh "$work"/programs/*.exe
for program in "$work"/programs/*.exe; do
  name=${program##*/}
  osslsigncode verify -CAfile "$work/signer.pem" -in "$program" >"$work/verify.txt" 2>&1 ||
    { cat "$work/verify.txt" >&2; fail "the signature of $name does not verify"; }
  grep -q "Signature verification: ok" "$work/verify.txt" || fail "$name: no verified signature"
  if osslsigncode verify -CAfile "$work/stranger.pem" -in "$program" >/dev/null 2>&1; then
    fail "$name verifies against a certificate that did not sign it"
  fi
  echo "check_signing: $name is signed and verifies against the signing certificate"
done
