# Sourced by the Wine scripts: one place for the environment every Wine
# process of the project runs with.
LW_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
# LW_WINE_ARCH: win64 (the default) runs the 64-bit build in 64-bit
# prefixes; win32 runs the 32-bit build in 32-bit prefixes, where a 32-bit
# Wine can start (scripts/wine32-check.sh).
LW_WINE_ARCH=${LW_WINE_ARCH:-win64}
export WINEARCH=$LW_WINE_ARCH
if [ "$LW_WINE_ARCH" = win32 ]; then
  LW_WINE=/usr/lib/wine/wine
  LW_WINE_DIR=${LW_WINE_DIR:-$LW_ROOT/build/wine32}
else
  LW_WINE=/usr/lib/wine/wine64
  LW_WINE_DIR=${LW_WINE_DIR:-$LW_ROOT/build/wine}
fi
LW_WINE_TEMPLATE=$LW_WINE_DIR/template
export WINEDEBUG=-all
# No Mono or Gecko prompts, no menu entries.
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
WINESERVER=/usr/lib/wine/wineserver64
[ -x "$WINESERVER" ] || WINESERVER=$(command -v wineserver || echo /usr/lib/wine/wineserver)

# Copies the booted template into a new prefix and prints its path. The
# program files of system32 (most of the 700 MB) are hard links to the
# template's: nothing writes them in place, and a copy takes 3 s instead of
# 0.2 s. Its drivers folder is a real copy, as tests install files there.
lw_new_prefix() {
  local prefix sys=drive_c/windows/system32
  prefix=$(mktemp -d "$LW_WINE_DIR/prefix-XXXXXX")
  tar -C "$LW_WINE_TEMPLATE" --exclude="./$sys" -cf - . | tar -C "$prefix" -xf -
  cp -al "$LW_WINE_TEMPLATE/$sys" "$prefix/$sys"
  rm -rf "${prefix:?}/$sys/drivers"
  cp -a "$LW_WINE_TEMPLATE/$sys/drivers" "$prefix/$sys/drivers"
  echo "$prefix"
}

# Ends the prefix's wineserver and removes the prefix.
lw_drop_prefix() {
  local prefix=$1
  WINEPREFIX=$prefix "$WINESERVER" -k 2>/dev/null || true
  WINEPREFIX=$prefix "$WINESERVER" -w 2>/dev/null || true
  rm -rf "$prefix"
}

# Starts Xvfb on a free display; sets LW_XVFB_PID and DISPLAY. Xvfb picks the
# display number itself (-displayfd), so parallel tests never race for one.
lw_start_xvfb() {
  local fifo n=
  fifo=$(mktemp -u "${TMPDIR:-/tmp}/lw-xvfb-XXXXXX")
  mkfifo "$fifo"
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$fifo" >/dev/null 2>&1 &
  LW_XVFB_PID=$!
  read -r -t 20 n <"$fifo" || true
  rm -f "$fifo"
  if [ -z "$n" ] || ! kill -0 "$LW_XVFB_PID" 2>/dev/null; then
    echo "Xvfb did not start" >&2
    lw_stop_xvfb
    return 1
  fi
  export DISPLAY=":$n"
}

lw_stop_xvfb() {
  if [ -n "${LW_XVFB_PID:-}" ]; then
    kill "$LW_XVFB_PID" 2>/dev/null && wait "$LW_XVFB_PID" 2>/dev/null
  fi
  LW_XVFB_PID=
  return 0
}
