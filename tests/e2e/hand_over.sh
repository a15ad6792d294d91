#!/usr/bin/env bash
# The 32-bit program on 64-bit Windows hands the run to Linkwright64.exe in
# its own folder: same current directory, no arguments, its exit code. When
# that file is not there (one in the current directory does not count) or
# the program's own path is too long to name it, a box says why and the log
# tells the same. A stand-in that records its start is the 64-bit program.
# The 32-bit build runs the real 32-bit program in a 64-bit prefix; the
# 64-bit build, whose Wine runs no 32-bit program, a probe of its start-up
# that answers "under WOW64" (hand_over_probe.cpp). Both are pinned to the
# stand-in, as the product is to the Linkwright64.exe built with it; a copy
# of the 32-bit program beside itself, or a Linkwright64.exe that another
# program holds open for writing, is not started.
source "$(dirname "$0")/lib.sh"
e2e_begin hand_over
PROG=$C/prog
mkdir -p "$PROG"
PROGRAM32=${LW_HAND_OVER_PROBE:-$LW_HAND_OVER_PROGRAM32}
cp "$PROGRAM32" "$PROG/Linkwright.exe"
cp "$LW_HAND_OVER_STAND_IN" "$PROG/Linkwright64.exe"
LW_EXE=$PROG/Linkwright.exe
RECORD=$E2E_RUN/handed-over.txt
INTRO='This is the 32-bit Linkwright program, and this Windows is 64-bit: here it runs as its 64-bit program, Linkwright64.exe.\n\n'
MISSING_TEXT=$INTRO'Linkwright64.exe could not be started. It must stand in the same folder as this program. Copy both files from the Linkwright package into one folder and start Linkwright.exe again.'
NOT_OURS_TEXT=$INTRO'The Linkwright64.exe in the folder of this program is not the one that came with it, so it was not started. Copy both files from the same Linkwright package into one folder and start Linkwright.exe again.'

lw_start some arguments
lw_expect_exit 42
record=$(tr -d '\r' <"$RECORD" 2>/dev/null)
expect_eq "current directory of the 64-bit program" "${record%%$'\n'*}" 'C:\run'
expect_eq "its command line" "${record#*$'\n'}" '"C:\prog\Linkwright64.exe"'
expect_no_file 'C:\run\LinkwrightLog.txt'

# Only in the current directory: not started.
rm -f "$RECORD"
mv "$PROG/Linkwright64.exe" "$E2E_RUN/Linkwright64.exe"
lw_start
must "the box did not appear" drv wait Linkwright "$BOX_TEXT"
shot hand-over-missing Linkwright "$BOX_TEXT"
answer_box Linkwright "$IDOK" "$MISSING_TEXT"
lw_expect_exit 1
expect_no_file 'C:\run\handed-over.txt'
expect_banners 1
expect_log_ends_with "*** Build: $BUILD_CODE"$'\r\nERROR: Could not start Linkwright64.exe from the folder of this program. 2: File not found.\r\n\r\n'"$ABORTED"

# A copy of the 32-bit program under the 64-bit one's name would hand over
# to itself without end; then the same file held open by a program still
# writing it.
cp "$PROGRAM32" "$PROG/Linkwright64.exe"
lw_start
answer_box Linkwright "$IDOK" "$NOT_OURS_TEXT"
lw_expect_exit 1
expect_log_ends_with $'ERROR: Linkwright64.exe beside this program is not the one built with it, and was not started [C:\\prog\\Linkwright64.exe].\r\n'"$ABORTED"
cp "$LW_HAND_OVER_STAND_IN" "$PROG/Linkwright64.exe"
[ -n "${DRV_PID:-}" ] || drv_start
must "could not hold the program open" drv hold 'C:\prog\Linkwright64.exe'
lw_start
answer_box Linkwright "$IDOK" "$INTRO"'Linkwright64.exe could not be started. LinkwrightLog.txt in the current folder tells why.'
lw_expect_exit 1
expect_log_ends_with $'Linkwright64.exe from the folder of this program. 32: Sharing violation.\r\n\r\n'"$ABORTED"
expect_no_file 'C:\run\handed-over.txt'

# A program path longer than MAX_PATH: refused, not cut short to a folder
# that might hold another Linkwright64.exe.
deep=$PROG
while [ ${#deep} -lt $((${#C} + 270)) ]; do deep=$deep/abcdefghijklmnopqrstuvwxyz; done
mkdir -p "$deep"
cp "$PROGRAM32" "$deep/Linkwright.exe"
cp "$LW_HAND_OVER_STAND_IN" "$deep/Linkwright64.exe"
LW_EXE=$deep/Linkwright.exe
# Wine's 64-bit loader hands a 32-bit program to start.exe, which cannot
# reach a path this long; the 32-bit loader starts it itself.
[ -z "${LW_HAND_OVER_PROBE:-}" ] && LW_WINE=$LW_WINE32_TREE/usr/lib/wine/wine
lw_start
answer_box Linkwright "$IDOK" "$INTRO""The path of this program's folder is too long for Linkwright64.exe to be started from it. Move both files to a folder with a shorter path and start Linkwright.exe again."
lw_expect_exit 1
expect_no_file 'C:\run\handed-over.txt'
expect_banners 4
expect_log_in_order $'Linkwright64.exe from the folder of this program. 206: '

# The removal program's hand-over names its own twin, box and banner.
if [ -n "${LW_HAND_OVER_PROBE:-}" ]; then
  LW_EXE=$PROG/LinkwrightRemove.exe
  cp "$PROGRAM32" "$LW_EXE"
  lw_start removal
  answer_box "Linkwright Removal" "$IDOK" 'This is the 32-bit Linkwright Removal program, and this Windows is 64-bit: here it runs as its 64-bit program, LinkwrightRemove64.exe.\n\nLinkwrightRemove64.exe could not be started. It must stand in the same folder as this program. Copy both files from the Linkwright package into one folder and start LinkwrightRemove.exe again.'
  lw_expect_exit 1
  expect_eq "removal banners in the log" \
    "$(log_count "${RULE}Beginning Tarvel Brannock Linkwright Removal"$'\r\n'"$RULE")" 1
  expect_log_ends_with $'ERROR: Could not start LinkwrightRemove64.exe from the folder of this program. 2: File not found.\r\n\r\nRemoval aborted / failed.\r\n'
fi
e2e_end
