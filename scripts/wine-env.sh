# Sourced by the Wine scripts: one place for the environment every Wine
# process of the project runs with.
LW_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
# LW_WINE_ARCH: win64 (the default) runs the 64-bit build in 64-bit
# prefixes with the installed Wine. The other two use the private 32-bit
# Wine tree (scripts/wine32-tree.sh), whose 32-bit processes run under
# qemu-i386-static: win32 runs the 32-bit build in 32-bit prefixes, wow64
# runs 64-bit prefixes in which 32-bit programs start too.
LW_WINE_ARCH=${LW_WINE_ARCH:-win64}
LW_WINE32_TREE=${LW_WINE32_TREE:-$LW_ROOT/build/wine32/tree}
# No Mono or Gecko prompts, no menu entries; under the emulator no winedbg
# either, which cannot read an emulated process's memory and hangs.
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
case $LW_WINE_ARCH in
  win32)
    export WINEARCH=win32
    LW_WINE=$LW_WINE32_TREE/usr/lib/wine/wine
    LW_WINE_DIR=${LW_WINE_DIR:-$LW_ROOT/build/wine32}
    ;;
  wow64)
    export WINEARCH=win64
    LW_WINE=$LW_WINE32_TREE/usr/lib/wine/wine64
    LW_WINE_DIR=${LW_WINE_DIR:-$LW_ROOT/build/wine32}/wow64
    ;;
  *)
    export WINEARCH=win64
    LW_WINE=/usr/lib/wine/wine64
    LW_WINE_DIR=${LW_WINE_DIR:-$LW_ROOT/build/wine}
    ;;
esac
[ "$LW_WINE_ARCH" = win64 ] || WINEDLLOVERRIDES+=";winedbg.exe=d"
LW_WINE_TEMPLATE=$LW_WINE_DIR/template
export WINEDEBUG=-all
WINESERVER=/usr/lib/wine/wineserver64
[ -x "$WINESERVER" ] || WINESERVER=$(command -v wineserver || echo /usr/lib/wine/wineserver)

# Drops the emulator's known noise from a stream, and nothing else: qemu's
# report of the signal that ended a background Wine process as it shut
# down, and the guest ld.so's "Inconsistency detected" line.
lw_emulator_noise() { sed -u -e '/^qemu: /d' -e '/^Inconsistency detected by ld\.so/d'; }

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

# Starts the wineserver of $WINEPREFIX, to run until lw_drop_prefix (or
# wineserver -k) ends it; none if it runs. A wineserver that ends as the
# last of its processes ends races with a process that is still starting:
# under the emulator a start takes seconds, and 2 of 10 first starts in a
# fresh prefix then waited for a wineserver that was gone. Kept running, it
# also keeps Wine's own services, so each later program starts in about
# 1 s rather than 5.
lw_start_wineserver() { "$WINESERVER" -p 2>/dev/null || true; }

# Ends the prefix's wineserver and removes the prefix. A process of the
# emulated tier may still be starting, unknown to the wineserver, and would
# start another one and boot the prefix anew: it is ended by its id.
lw_drop_prefix() {
  local prefix=$1 pid
  WINEPREFIX=$prefix "$WINESERVER" -k 2>/dev/null || true
  for pid in $(grep -lzxF "WINEPREFIX=$prefix" /proc/[0-9]*/environ 2>/dev/null | cut -d/ -f3); do
    grep -qF "$LW_WINE32_TREE/" "/proc/$pid/cmdline" 2>/dev/null && kill -9 "$pid" 2>/dev/null
  done
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
