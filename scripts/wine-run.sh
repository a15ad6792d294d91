#!/usr/bin/env bash
# Runs one Windows program in a fresh copy of the template prefix, with a
# virtual display, and passes its exit code through. The prefix, its
# wineserver and the display are gone afterwards, also when the run is
# interrupted (a CTest timeout sends SIGTERM).
set -uo pipefail
source "$(dirname "$0")/wine-env.sh"
prefix=$(lw_new_prefix)
export WINEPREFIX=$prefix
cleanup() {
  lw_drop_prefix "$prefix"
  lw_stop_xvfb
}
trap cleanup EXIT
trap 'exit 143' TERM INT
lw_start_xvfb || exit 1
lw_start_wineserver
# Under the emulator, Wine's background processes may report their end.
"$LW_WINE" "$@" 2> >(lw_emulator_noise >&2)
exit $?
