#!/usr/bin/env bash
# check-exe.sh EXE i386|x86_64 [tool]: checks what a built Windows program declares
# against the oldest Windows it must run on (XP SP2, NT 5.1, for i386; XP x64,
# NT 5.2, for x86_64): the machine, a GUI subsystem of at most that version,
# NX and ASLR, the stack protector, imports that exist in that Windows'
# system DLLs (the lists in tests/winapi), delayed imports included, the
# version resource and a manifest in the form XP loads. A program loads only
# kernel32 and the C runtime with itself; it delays the rest. A tool
# (console, no version resource or manifest) gets the same checks but those
# three.
set -euo pipefail
exe=$1
arch=$2
kind=${3:-program}
here=$(cd "$(dirname "$0")" && pwd)
case $arch in
  i386) format=pei-i386 floor=0x501 manifest_arch=x86 subsystem=5.01 ;;
  x86_64) format=pei-x86-64 floor=0x502 manifest_arch=amd64 subsystem=5.02 ;;
  *) echo "usage: check-exe.sh EXE i386|x86_64 [tool]" >&2; exit 2 ;;
esac
name=$(basename "$exe")
fail() { echo "FAIL: $name: $*" >&2; exit 1; }

dump=$(x86_64-w64-mingw32-objdump -p "$exe")
grep -q "file format $format\$" <<<"$dump" || fail "not a $format program"
subsystem_kind=GUI
[ "$kind" = tool ] && subsystem_kind=CUI
grep -q "Subsystem.*(Windows $subsystem_kind)" <<<"$dump" || fail "not a $subsystem_kind subsystem program"
field() { awk -v f="$1" '$1 == f {print $2}' <<<"$dump"; }
version=$(printf '%d.%02d' "$(field MajorSubsystemVersion)" "$(field MinorSubsystemVersion)")
[[ ! "$version" > "$subsystem" ]] || fail "subsystem version $version is newer than $subsystem"
flags="DYNAMIC_BASE NX_COMPAT"
[ "$arch" = x86_64 ] && flags="$flags HIGH_ENTROPY_VA"
for flag in $flags; do
  grep -qw "$flag" <<<"$dump" || fail "DllCharacteristics lack $flag"
done

# Built with the stack protector: its runtime (libssp) is linked in.
grep -q 'stack smashing detected' "$exe" || fail "no stack protector"
flags="$flags stack-protector"

# Each import as "dll name" (an import by ordinal has no name: "#N").
imports=$(awk '
  /DLL Name:/ { dll = tolower($3); sub(/\.dll$/, "", dll); next }
  dll != "" && /^\t[0-9a-f]+\t/ { print dll, ($3 == "" ? "#" $2 : $3); next }
  /^$/ { dll = "" }' <<<"$dump" | sort -u)
[ -n "$imports" ] || fail "no imports found"
delayed=$(bash "$here/delay-imports.sh" "$exe" "$arch")
if [ "$kind" = program ]; then
  # What Windows loads with the program comes before WinMain restricts the
  # DLL search: kernel32 and msvcrt, a known DLL, alone.
  loaded=$(awk '{print $1}' <<<"$imports" | sort -u | tr '\n' ' ')
  [ "$loaded" = "kernel32 msvcrt " ] || fail "imports other than kernel32 and msvcrt: $loaded"
  # A program shows its pages through user32: none delayed means the
  # delayed imports were not found.
  grep -q '^user32 ' <<<"$delayed" || fail "no delayed import of user32 found"
fi
imports=$(printf '%s\n%s\n' "$imports" "$delayed" | grep -v '^$' | sort -u)
# The DLLs a program may import from are those with a list: kernel32,
# user32, advapi32, crypt32 and the others there.
listed=$(cd "$here/winapi" && ls -- *.txt | sed 's/\.txt$//')
unlisted=$(awk '{print $1}' <<<"$imports" | sort -u | grep -vxF -f <(echo "$listed") || true)
[ -z "$unlisted" ] || fail "imports from DLLs with no list in tests/winapi: $(echo $unlisted)"
missing=$(awk -v arch="$arch" -v floor="$floor" '
  function hex(s,   i, n) {
    n = 0
    for (i = 3; i <= length(s); i++) n = n * 16 + index("0123456789abcdef", substr(s, i, 1)) - 1
    return n
  }
  # VERSION: any, A+, A-B, or A alone (only that version).
  function present(v,   a) {
    if (v == "any") return 1
    if (v ~ /\+$/) return hex(substr(v, 1, length(v) - 1)) <= hex(floor)
    if (split(v, a, "-") == 2) return hex(a[1]) <= hex(floor) && hex(floor) <= hex(a[2])
    return hex(v) == hex(floor)
  }
  # ARCHS: all, or a comma list of architectures, any of them negated.
  function onArch(list,   n, i, a, neg, hit) {
    if (list == "all") return 1
    n = split(list, a, ",")
    for (i = 1; i <= n; i++) {
      if (a[i] ~ /^!/) { neg = 1; if (substr(a[i], 2) == arch) return 0 }
      else if (a[i] == arch || (a[i] == "win64" && arch == "x86_64")) hit = 1
    }
    return hit || (neg && !hit)
  }
  FILENAME ~ /later\.txt$/ { later[$1 " " $2] = $3; next }
  FNR == 1 && FILENAME ~ /\.txt$/ { dll = FILENAME; sub(/.*\//, "", dll); sub(/\.txt$/, "", dll) }
  FILENAME ~ /\.txt$/ { if (onArch($2)) version[dll " " $1] = $3; next }
  {
    key = $1 " " $2
    if (key in later) version[key] = later[key]
    if (!(key in version) || !present(version[key])) print key
  }' FS='\t' "$here"/winapi/*.txt FS=' ' - <<<"$imports")
[ -z "$missing" ] || fail "imports that Windows $floor lacks: $(echo $missing)"
if [ "$kind" = tool ]; then
  echo "$name: $format, $subsystem_kind $version, $flags, $(wc -l <<<"$imports") imports within Windows $floor"
  exit 0
fi

# The version resource, against the header the resource script is built
# from: its strings are UTF-16, its fixed version four 16-bit numbers.
header_value() { bash "$here/../scripts/resource-value.sh" "$1"; }
build_code=$(header_value LW_BUILD_CODE)
version_text=$(header_value LW_VERSION_TEXT)
utf16() { printf '%s' "$1" | iconv -f UTF-8 -t UTF-16LE | od -An -tx1 | tr -d ' \n'; }
hex=$(od -An -tx1 -v "$exe" | tr -d ' \n')
for text in "Release Build  Datecode: $build_code" "$version_text" "$name"; do
  grep -q "$(utf16 "$text")" <<<"$hex" || fail "version resource lacks '$text'"
done
# VS_FIXEDFILEINFO: signature, structure version, then the file version as
# MS (major, minor) and LS (patch, build) words, each little-endian.
IFS=. read -r v1 v2 v3 v4 <<<"$version_text"
le16() { printf '%02x%02x' $(($1 & 255)) $(($1 >> 8)); }
fixed="bd04effe00000100$(le16 "$v2")$(le16 "$v1")$(le16 "$v4")$(le16 "$v3")"
grep -q "$fixed" <<<"$hex" || fail "fixed file version is not $version_text"

manifest=$(grep -a -o -z '<?xml.*</assembly>' "$exe" | tr -d '\0')
[ -n "$manifest" ] || fail "no manifest"
for text in "version=\"$version_text\" processorArchitecture=\"$manifest_arch\"" \
  'level="requireAdministrator"' \
  'Microsoft.Windows.Common-Controls' '<dpiAware' \
  '<trustInfo xmlns="urn:schemas-microsoft-com:asm.v2">'; do
  grep -qF "$text" <<<"$manifest" || fail "manifest lacks $text"
done
# Windows XP SP2 (before KB921337) restarts on an element that declares
# two namespaces.
doubled=$(grep -o '<[^>]*>' <<<"$manifest" | grep -E 'xmlns[:=].*xmlns[:=]' || true)
[ -z "$doubled" ] || fail "manifest element with two namespaces: $doubled"
echo "$name: $format, $subsystem_kind $version, $flags, $(wc -l <<<"$imports") imports ($(grep -c . <<<"$delayed") delayed) within Windows $floor, version and manifest as required"
