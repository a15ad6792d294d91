#!/usr/bin/env bash
# make dist: dist/Linkwright-VERSION.zip with both builds of the wizard and
# of the removal program, the 32-bit INF patch tool, README.txt and
# SHA256SUMS. Reproducible: the programs carry no
# time stamp or build folder (see CMakeLists.txt), and the zip's entries are
# sorted, with fixed modes and the time of the last commit.
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
cd "$ROOT"
version=$(bash scripts/resource-value.sh LW_VERSION_TEXT)
name=Linkwright-$version
jobs=$(nproc)

build() {
  local dir=$1 toolchain=$2
  shift 2
  cmake -S . -B "build/$dir" -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="cmake/$toolchain.cmake" >/dev/null
  cmake --build "build/$dir" -j "$jobs" --target "$@" -- --no-print-directory >/dev/null
}
# The 64-bit programs first: each 32-bit one is pinned to its twin's image
# hash.
build win64 mingw-w64-x86_64 Linkwright LinkwrightRemove
build win32 mingw-w64-i686 Linkwright LinkwrightRemove linkwright-infpatch

stage=build/dist/$name
rm -rf build/dist
mkdir -p "$stage" dist
programs=(Linkwright.exe Linkwright64.exe LinkwrightRemove.exe LinkwrightRemove64.exe)
cp build/win32/Linkwright.exe build/win64/Linkwright64.exe build/win32/LinkwrightRemove.exe \
  build/win64/LinkwrightRemove64.exe build/win32/tools/linkwright-infpatch.exe "$stage/"
# Notepad on Windows XP wants CR LF.
sed 's/$/\r/' docs/README.txt >"$stage/README.txt"
(cd "$stage" && sha256sum "${programs[@]}" linkwright-infpatch.exe README.txt >SHA256SUMS)

stamp=$(git log -1 --format=%ct 2>/dev/null || echo 315532800)
chmod 644 "$stage"/*
touch -d "@$stamp" "$stage"/*
rm -f "dist/$name.zip"
(cd build/dist && LC_ALL=C find "$name" -type f | LC_ALL=C sort |
  TZ=UTC zip -X -D -q "$ROOT/dist/$name.zip" -@)
echo "dist/$name.zip $(sha256sum "dist/$name.zip" | cut -d' ' -f1)"
