#!/usr/bin/env bash
# Installs, from Debian's packages, whatever the builds and tests need and the
# machine lacks. dpkg is asked rather than the PATH: some tools have stand-ins.
# The 32-bit Wine is not among them: it runs, under qemu-user-static, from a
# private tree that scripts/wine32-tree.sh unpacks without installing it.
set -euo pipefail

packages=(
  cmake g++ make libgtest-dev libbenchmark-dev
  g++-mingw-w64-i686-win32 g++-mingw-w64-x86-64-win32 mingw-w64-tools
  binutils-mingw-w64-i686 binutils-mingw-w64-x86-64 zip unzip
  wine64 fonts-wine xvfb imagemagick
  qemu-user-static
  clang libclang-rt-14-dev clang-format
  osslsigncode openssl
)

missing=()
for p in "${packages[@]}"; do
  dpkg -s "$p" >/dev/null 2>&1 || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "installing: ${missing[*]}"
SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO=sudo
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
