#!/usr/bin/env bash
# same_as_64bit.sh SCENARIO: the 32-bit program in a 32-bit prefix set to
# Windows XP and the 64-bit program in a 64-bit one set to XP x64 leave the
# same log and the same installed INFs. The 32-bit run's record is made by
# the scenario's own test (E2E_RECORD); this runs the scenario on the
# 64-bit build's program and compares, leaving out the log's time line and
# the names of temporary files, which no two runs share.
set -uo pipefail
here=$(dirname "$0")
name=$1
records=$LW_RECORDS
[ -d "$records/32/$name" ] || { echo "no record of the 32-bit program's $name run"; exit 1; }
LW_WINE_ARCH=wow64 E2E_DEFAULT_WINDOWS=winxp64 LW_EXE=$LW_EXE64 LW_DRIVER=$LW_DRIVER64 \
  E2E_RECORD=$records/64/$name bash "$here/$name.sh" || exit 1

normalized() {
  sed -E -e '/^\*\*\* (Sun|Mon|Tue|Wed|Thu|Fri|Sat) [A-Z][a-z]{2} [0-9]{2} [0-9:]{8} [0-9]{4}$/d' \
    -e 's/abk[0-9A-Fa-f]+\.tmp/abkXXXX.tmp/g' "$1"
}
same=0
for file in $( (ls "$records/32/$name"; ls "$records/64/$name") | sort -u); do
  if [ ! -f "$records/32/$name/$file" ] || [ ! -f "$records/64/$name/$file" ]; then
    echo "[$name] only one program left $file"
    same=1
  elif ! diff -u --label "32-bit $file" --label "64-bit $file" \
    <(normalized "$records/32/$name/$file") <(normalized "$records/64/$name/$file"); then
    same=1
  fi
done
[ "$same" = 0 ] && echo "[$name] both programs left the same log and INFs"
exit "$same"
