#!/usr/bin/env bash
# Checks what the built Linkwright.exe declares: GUI subsystem, only system
# DLLs imported, the version resource and the manifest.
set -euo pipefail
exe=$1
dump=$(x86_64-w64-mingw32-objdump -p "$exe")
fail() { echo "FAIL: $*" >&2; exit 1; }

grep -q 'Subsystem.*(Windows GUI)' <<<"$dump" || fail "not a GUI subsystem program"

allowed="kernel32.dll user32.dll gdi32.dll advapi32.dll setupapi.dll comctl32.dll comdlg32.dll shell32.dll msvcrt.dll"
imports=$(grep 'DLL Name:' <<<"$dump" | awk '{print tolower($3)}' | sort -u)
[ -n "$imports" ] || fail "no imports found"
for dll in $imports; do
  grep -qw "$dll" <<<"$allowed" || fail "unexpected import $dll"
done

# Version strings are UTF-16 in the resource section.
utf16() { printf '%s' "$1" | iconv -f UTF-8 -t UTF-16LE | od -An -tx1 | tr -d ' \n'; }
hex=$(od -An -tx1 -v "$exe" | tr -d ' \n')
for text in "Release Build  Datecode: D305k" "3.0.1.1"; do
  grep -q "$(utf16 "$text")" <<<"$hex" || fail "version resource lacks '$text'"
done
# FILEVERSION 3.0.1.1 as VS_FIXEDFILEINFO stores it: MS 0x00030000, LS 0x00010001.
grep -q "bd04effe0000010000000300010001000000030001000100" <<<"$hex" \
  || fail "fixed file version is not 3.0.1.1"

for text in 'level="requireAdministrator"' 'Microsoft.Windows.Common-Controls' '<dpiAware' ; do
  grep -qF "$text" "$exe" || fail "manifest lacks $text"
done
echo "Linkwright.exe: GUI, imports [$(echo $imports)], version and manifest as required"
