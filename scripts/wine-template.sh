#!/usr/bin/env bash
# Boots the template Wine prefix once per test run; the tests copy it.
# A boot now and then hangs inside wineboot (seen in its wine.inf install
# step while other prefixes boot on the same machine): it is given 120 s,
# and then killed and tried again from scratch.
set -uo pipefail
source "$(dirname "$0")/wine-env.sh"
mkdir -p "$LW_WINE_DIR"
rm -rf "$LW_WINE_DIR"/prefix-*
export WINEPREFIX=$LW_WINE_TEMPLATE
# The boot's wineserver is started first and ended once wineboot is done,
# which writes the registry out (see lw_start_wineserver).
for attempt in 1 2 3; do
  "$WINESERVER" -k 2>/dev/null
  rm -rf "$LW_WINE_TEMPLATE"
  mkdir -p "$LW_WINE_TEMPLATE"
  lw_start_wineserver
  if timeout -k 5 120 "$LW_WINE" wineboot -i >/dev/null 2>&1 && { "$WINESERVER" -k; true; } &&
    timeout 60 "$WINESERVER" -w && [ -f "$LW_WINE_TEMPLATE/system.reg" ]; then
    # This Wine does not find its own fonts (MS Sans Serif, Marlett, Tahoma)
    # where Debian puts them, and would draw the dialogs in a wider
    # stand-in; a prefix finds what lies in its Fonts folder.
    cp /usr/share/wine/fonts/* "$LW_WINE_TEMPLATE/drive_c/windows/Fonts/"
    echo "template prefix booted at $LW_WINE_TEMPLATE"
    exit 0
  fi
  echo "booting the template prefix failed (attempt $attempt)" >&2
done
"$WINESERVER" -k 2>/dev/null
exit 1
