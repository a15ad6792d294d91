#!/bin/sh
# delay-import-lib.sh NM DLLTOOL OBJCOPY IMPORT_LIBRARY OUTPUT [_]: writes OUTPUT, a
# library that imports the functions of IMPORT_LIBRARY (one of MinGW-w64's,
# made by dlltool) from the same DLL, delayed: each is bound on its first
# call. "_" when the target's symbols have a leading underscore (i386).
#
# A function is a member with a code thunk ("T") and a hint/name entry
# (.idata$6). Data exports have no thunk and cannot be delayed; a function
# imported only by ordinal has no name to give. Both are left out, so that
# a use of one fails to link instead of going unnoticed.
set -eu
nm=$1 dlltool=$2 objcopy=$3 library=$4 output=$5 underscore=${6:-}
dll=$("$dlltool" -I "$library")
def=${output%.a}.def
{
  printf 'LIBRARY "%s"\nEXPORTS\n' "$dll"
  "$nm" "$library" | awk -v underscore="$underscore" '
    function member_end() {
      if (thunk != "" && named) {
        if (underscore != "") sub(/^_/, "", thunk)
        print thunk
      }
      thunk = ""
      named = 0
    }
    /:$/ { member_end(); next }
    NF >= 2 && $NF == ".idata$6" { named = 1 }
    NF >= 2 && $(NF - 1) == "T" { thunk = $NF }
    END { member_end() }' | LC_ALL=C sort
} >"$def.new"
# The pipeline's failure does not stop the script: an empty list does.
grep -qv -e '^LIBRARY ' -e '^EXPORTS$' "$def.new" || { echo "no functions in $library" >&2; exit 1; }
mv "$def.new" "$def"
# i386 names carry their argument size (MessageBoxA@16); the DLL exports
# them without it (-k). dlltool names the library's symbols after its path
# and puts its temporary files in the current folder: both stay beside the
# output, and no build folder's name reaches the library.
cd "$(dirname "$output")"
name=$(basename "$output" .a)
"$dlltool" -k -d "$def" -D "$dll" -y "$name.new.a" --temp-prefix "$name"
# Each function's stub is the code its address table entry points to until
# the first call. GNU ld for i386 drops a stub whose name no code calls
# (headers declare the functions dllimport: calls go through __imp_), which
# leaves that entry pointing nowhere; it keeps a stub whose name is local.
"$nm" "$name.new.a" | awk '$2 == "T" && $3 !~ /tailMerge/ { print $3 }' >"$name.stubs"
"$objcopy" --localize-symbols="$name.stubs" "$name.new.a"
mv "$name.new.a" "$name.a"
