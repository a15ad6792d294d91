#!/usr/bin/env bash
# Exit 0 when the 32-bit build's tests can run under Wine here: the private
# 32-bit Wine tree (scripts/wine32-tree.sh, made on first use) starts a
# program under the emulator and passes its exit code back. Otherwise says
# once why not and exits 1; the 32-bit program is then only checked
# statically. The program needs a booted prefix, so this costs one boot.
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
LW_WINE_ARCH=win32
source "$here/wine-env.sh"

not_here() {
  echo "32-bit Wine tier not run: $*. The 32-bit program is checked statically;" \
    "the Wine tests and scenarios run on the 64-bit program."
  exit 1
}

# Its progress shown, its reason for failing (the last line) kept.
if ! { out=$(bash "$here/wine32-tree.sh" 2>&1 >&3); } 3>&1; then
  reason=${out##*$'\n'}
  not_here "${reason:-scripts/wine32-tree.sh failed}"
fi
mkdir -p "$LW_WINE_DIR"
# Wine boots an empty prefix before it runs the program. Its output goes to
# a file: Wine's background processes keep a pipe open until the prefix's
# wineserver ends them.
export WINEPREFIX
WINEPREFIX=$(mktemp -d "$LW_WINE_DIR/check-XXXXXX")
trap 'lw_drop_prefix "$WINEPREFIX"; rm -f "$WINEPREFIX.log"' EXIT
lw_start_wineserver
timeout -k 5 120 "$LW_WINE" cmd /c exit 7 >"$WINEPREFIX.log" 2>&1
code=$?
last=$(lw_emulator_noise <"$WINEPREFIX.log" | tail -n 1)
case $code in
  7) exit 0 ;;
  124) not_here "its loader did not run cmd /c exit 7 within 120 s" ;;
  *) not_here "its loader gave $code for cmd /c exit 7, not 7 (${last:-no output})" ;;
esac
