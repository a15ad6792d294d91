#!/usr/bin/env bash
# Makes the private 32-bit Wine tree in which the 32-bit build runs under
# Wine: the kernel here refuses 32-bit programs, and installing wine32:i386
# would upgrade dozens of the machine's libraries in step. So Debian's
# wine32:i386, pinned to the installed wine64's version, and everything it
# needs are downloaded with a private apt state (dpkg's architectures and
# the machine's package lists stay as they are), unpacked with dpkg-deb,
# given what the packages' scripts would have done, and run under
# qemu-i386-static. Made once under $LW_WINE32_TREE; a stamp beside it
# names what it was made from. Exits 1 with one line why when it cannot be
# made, and leaves no partial tree behind.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/wine-env.sh"
tree=$LW_WINE32_TREE
stamp=$tree.stamp
work=$tree.part

fail() {
  echo "the 32-bit Wine tree cannot be made: $*" >&2
  exit 1
}

version=$(dpkg-query -W -f='${Version}' wine64 2>/dev/null) || fail "wine64 is not installed"
command -v qemu-i386-static >/dev/null || fail "qemu-i386-static is not installed"
recipe="wine $version, $(cat "$0" "$here/wine32/preload.c" | md5sum | cut -d' ' -f1)"
[ -d "$tree" ] && [ "$(cat "$stamp" 2>/dev/null)" = "$recipe" ] && exit 0

rm -rf "$tree" "$stamp" "$work"
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/apt/state/lists/partial" "$work/apt/cache/archives/partial" "$work/root"
: >"$work/apt/status"
# i386 as apt's only architecture, with lists, cache and an empty status of
# its own: nothing is read from or written to the machine's package state.
apt=(apt-get -q -o APT::Architecture=i386 -o APT::Architectures::=i386
  -o Dir::State="$work/apt/state/" -o Dir::State::status="$work/apt/status"
  -o Dir::Cache="$work/apt/cache/")
echo "making the 32-bit Wine tree (wine32:i386 $version) in $tree"
# An index that fails (the mirror's i386 security index is at times stale)
# only hides newer versions; the download says whether what is left serves.
"${apt[@]}" update >"$work/apt/update.log" 2>&1 || true
if ! "${apt[@]}" install -y --download-only --no-install-recommends \
  "wine32=$version" "libwine=$version" >"$work/apt/install.log" 2>&1; then
  why=$(grep -m1 '^E: ' "$work/apt/install.log" || tail -n1 "$work/apt/install.log")
  update=$(grep -m1 '^E: ' "$work/apt/update.log" || grep -m1 '^W: ' "$work/apt/update.log") &&
    why+=", after the update's $update"
  fail "apt: $why"
fi
root=$work/root
for deb in "$work"/apt/cache/archives/*.deb; do dpkg-deb -x "$deb" "$root"; done
rm -rf "$work/apt"

# libwine's post-install step: zlib of libz-mingw-w64 marked as a Wine
# builtin, or Wine refuses to load it.
dll=$(echo "$root"/usr/i686-w64-mingw32/lib/zlib*.dll)
[ -f "$dll" ] || fail "no 32-bit zlib DLL in the packages"
{
  head -c 64 "$dll"
  printf 'Wine builtin DLL\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0'
  tail -c +97 "$dll"
} >"$root/usr/lib/i386-linux-gnu/wine/i386-windows/${dll##*/}"
# The guest's own library cache, or the host's /lib32 would be searched.
echo 'include /etc/ld.so.conf.d/*.conf' >"$root/etc/ld.so.conf"
ldconfig -r "$root"
# Data files and the 64-bit side are the installed wine64's; its loader is
# copied beside the 32-bit one, whose folder Wine looks in for it.
rm -rf "$root/usr/share/wine"
ln -s /usr/share/wine "$root/usr/share/wine"
mkdir -p "$root/usr/lib/x86_64-linux-gnu"
ln -s /usr/lib/x86_64-linux-gnu/wine "$root/usr/lib/x86_64-linux-gnu/wine"
cp /usr/lib/wine/wine64 "$root/usr/lib/wine/wine64"
gcc -m32 -O2 -fPIC -fno-stack-protector -ffreestanding -nostdlib -shared \
  -o "$root/usr/lib/i386-linux-gnu/lw-preload.so" "$here/wine32/preload.c"
echo /usr/lib/i386-linux-gnu/lw-preload.so >"$root/etc/ld.so.preload"
# Wine starts each child as <folder of /proc/self/exe>/<name of argv[0]>:
# with the real loader renamed and argv[0] kept as this wrapper's name,
# every child comes back through the emulator.
mv "$root/usr/lib/wine/wine" "$root/usr/lib/wine/wine.elf"
cat >"$root/usr/lib/wine/wine" <<'EOF'
#!/bin/sh
# The 32-bit Wine loader of this tree, run under the emulator.
here=$(dirname "$0")
root=$(cd "$here/../../.." && pwd)
exec qemu-i386-static -L "$root" -0 "$0" "$here/wine.elf" "$@"
EOF
chmod +x "$root/usr/lib/wine/wine"

mv "$root" "$tree"
echo "$recipe" >"$stamp"
echo "32-bit Wine tree ready: $(du -sh "$tree" | cut -f1) in $tree"
