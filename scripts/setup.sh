#!/bin/bash
# Installs what building and testing Tarnwick needs on Debian 12, only what is
# missing, without questions. Runs as root (or through sudo when available).
set -euo pipefail

packages=(
  cmake ninja-build g++ clang libclang-rt-14-dev
  googletest libgtest-dev libbenchmark-dev
  gcc-mingw-w64-x86-64-posix g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64
  mingw-w64-x86-64-dev
  wine wine64 file python3 util-linux
  # Signing the release's programs (and its test's throwaway certificate).
  osslsigncode openssl
  # The scene tools and their pictures: glTF, JSON, the f3d viewer run headless.
  f3d xvfb xauth libtinygltf-dev nlohmann-json3-dev
  # Installed with their recommended packages, as on the machines the Wine tests were made on.
)

missing=()
for package in "${packages[@]}"; do
  status=$(dpkg-query -W -f='${Status}' "$package" 2>/dev/null || true)
  [ "$status" = "install ok installed" ] || missing+=("$package")
done

if [ ${#missing[@]} -eq 0 ]; then
  echo "setup: every package is installed"
  exit 0
fi

as_root=()
if [ "$(id -u)" -ne 0 ]; then
  command -v sudo >/dev/null || { echo "setup: run as root to install: ${missing[*]}" >&2; exit 1; }
  as_root=(sudo)
fi

echo "setup: installing ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
"${as_root[@]}" apt-get update -q
"${as_root[@]}" apt-get install -y -q "${missing[@]}" </dev/null
