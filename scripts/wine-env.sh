# Sourced by the Wine scripts: one place for the environment every Wine
# process of the project runs with.
LW_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
LW_WINE_DIR=${LW_WINE_DIR:-$LW_ROOT/build/wine}
LW_WINE_TEMPLATE=$LW_WINE_DIR/template
export WINEDEBUG=-all
# No Mono or Gecko prompts, no menu entries.
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
export WINEARCH=win64
WINE64=/usr/lib/wine/wine64
WINESERVER=/usr/lib/wine/wineserver64
[ -x "$WINESERVER" ] || WINESERVER=$(command -v wineserver || echo /usr/lib/wine/wineserver)

# Copies the booted template into a new prefix and prints its path.
lw_new_prefix() {
  local prefix
  prefix=$(mktemp -d "$LW_WINE_DIR/prefix-XXXXXX")
  cp -a "$LW_WINE_TEMPLATE/." "$prefix/"
  echo "$prefix"
}

# Ends the prefix's wineserver and removes the prefix.
lw_drop_prefix() {
  local prefix=$1
  WINEPREFIX=$prefix "$WINESERVER" -k 2>/dev/null || true
  WINEPREFIX=$prefix "$WINESERVER" -w 2>/dev/null || true
  rm -rf "$prefix"
}

# Starts Xvfb on a free display; sets LW_XVFB_PID and DISPLAY.
lw_start_xvfb() {
  local n
  for n in $(seq 90 190); do
    [ -e "/tmp/.X$n-lock" ] && continue
    Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
    LW_XVFB_PID=$!
    for _ in $(seq 50); do
      [ -e "/tmp/.X11-unix/X$n" ] && break
      sleep 0.1
    done
    if kill -0 "$LW_XVFB_PID" 2>/dev/null; then
      export DISPLAY=":$n"
      return 0
    fi
  done
  echo "no free X display" >&2
  return 1
}

lw_stop_xvfb() {
  [ -n "${LW_XVFB_PID:-}" ] && kill "$LW_XVFB_PID" 2>/dev/null && wait "$LW_XVFB_PID" 2>/dev/null
  LW_XVFB_PID=
}
