#!/usr/bin/env bash
# Boots the template Wine prefix once per test run; the tests copy it.
set -euo pipefail
source "$(dirname "$0")/wine-env.sh"
mkdir -p "$LW_WINE_DIR"
rm -rf "$LW_WINE_DIR"/prefix-*
rm -rf "$LW_WINE_TEMPLATE"
export WINEPREFIX=$LW_WINE_TEMPLATE
"$WINE64" wineboot -i >/dev/null 2>&1
"$WINESERVER" -w
test -f "$LW_WINE_TEMPLATE/system.reg"
echo "template prefix booted at $LW_WINE_TEMPLATE"
