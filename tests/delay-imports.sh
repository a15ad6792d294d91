#!/usr/bin/env bash
# delay-imports.sh EXE i386|x86_64: prints each function EXE imports
# delayed as "dll name" (the DLL lowercase, without ".dll"; "#N" for an
# ordinal), as check-exe.sh prints ordinary imports.
#
# GNU ld leaves the delay-import directory of the PE header empty, so the
# descriptors are found where dlltool's delay-import libraries put them: in
# .text, 16-byte aligned, each {attributes 1 (RVAs), DLL name, module handle,
# address table, name table, 0, 0, 0}, the name and the two tables in
# .idata.
set -euo pipefail
exe=$1
case $2 in
  i386) entry=4 ;;
  x86_64) entry=8 ;;
  *) echo "usage: delay-imports.sh EXE i386|x86_64" >&2; exit 2 ;;
esac
objdump=x86_64-w64-mingw32-objdump
base=$("$objdump" -p "$exe" | awk '$1 == "ImageBase" {print $2}')
"$objdump" -s -j .text -j .idata "$exe" | awk -v base="$base" -v entry="$entry" '
  function hex(s,   i, n) {
    n = 0
    s = tolower(s)
    for (i = 1; i <= length(s); i++) n = n * 16 + index("0123456789abcdef", substr(s, i, 1)) - 1
    return n
  }
  # Bytes of .idata are kept by RVA: an address as an array key would be
  # written in floating point beyond 2^31 by some awks.
  # A little-endian number of N bytes at RVA.
  function number(rva, n,   i, v) {
    v = 0
    for (i = n - 1; i >= 0; i--) v = v * 256 + hex(byte[rva + i])
    return v
  }
  function text(rva,   s) {
    s = ""
    while (byte[rva] != "" && byte[rva] != "00") s = s char[hex(byte[rva++])]
    return s
  }
  function in_idata(rva) { return rva >= idata_start && rva < idata_end }
  BEGIN {
    base = hex(base)
    for (i = 32; i < 127; i++) char[i] = sprintf("%c", i)
  }
  /^Contents of section / { section = $4; sub(/:$/, "", section); previous = ""; next }
  !/^ [0-9a-f]+ / { next }
  {
    rva = hex($1) - base
    words = substr($0, length($1) + 3, 35)
    n = split(words, word, " ")
    # The words as numbers, this line and the one before.
    line = ""
    for (i = 1; i <= 4; i++) {
      v = 0
      if (i <= n) for (j = 7; j >= 1; j -= 2) v = v * 256 + hex(substr(word[i], j, 2))
      line = line (i > 1 ? " " : "") v
    }
    if (section == ".idata") {
      if (idata_start == "") idata_start = rva
      for (i = 1; i <= n; i++)
        for (j = 1; j < length(word[i]); j += 2) byte[rva + (i - 1) * 4 + (j - 1) / 2] = substr(word[i], j, 2)
      idata_end = rva + 16
    } else if (previous != "") {
      split(previous " " line, d, " ")
      if (d[1] == 1 && d[3] != 0 && d[6] == 0 && d[7] == 0 && d[8] == 0) found[++descriptors] = previous " " line
    }
    previous = line
  }
  END {
    for (k = 1; k <= descriptors; k++) {
      split(found[k], d, " ")
      if (!in_idata(d[2]) || !in_idata(d[4]) || !in_idata(d[5])) continue
      dll = tolower(text(d[2]))
      sub(/\.dll$/, "", dll)
      for (at = d[5]; (low = number(at, 4)) != 0 || number(at + 4, entry - 4) != 0; at += entry) {
        # The top bit of an entry marks an import by ordinal.
        if (hex(byte[at + entry - 1]) >= 128) print dll, "#" (low % 65536)
        else print dll, text(low + 2)
      }
    }
  }' | sort -u
