#!/usr/bin/env bash
# "Install as a generic device" ticked: the six IgnoreHWSerNum5E2D values are
# written (REG_BINARY 01); USB already allowed is left as it is. On the
# finish page "View Log" with no viewer registered for .txt files (as in a
# fresh Wine prefix) says so in a box and in the log; once .txt is bound to
# Wine's notepad, it opens the log there while the run still holds it open.
# The page stays up throughout.
source "$(dirname "$0")/lib.sh"
e2e_begin generic_device
seed_default_machine
seed_connect_types 1f
seed_reg "$USBFLAGS_KEY" IgnoreHWSerNum04F20001 binary 01

lw_start
welcome_install tick
must "the finish page did not appear" drv wait "$TITLE" "$FINISH" 30000
expect_eq "finish page text" "$(ctl_text "$TITLE" "$FINISH" "$ID_RESULT")" "$SUCCESS_TEXT"

must "could not press View Log" drv click "$TITLE" "$FINISH" "$ID_VIEW_LOG"
answer_box "Error Opening Log File" "$IDOK" "Could not open the log file."
must "the finish page closed after View Log failed" drv wait "$TITLE" "$FINISH" 2000
drv set-sz 'HKEY_CLASSES_ROOT\.txt' "" txtfile ||
  e2e_abort "could not register .txt files"
must "could not press View Log" drv click "$TITLE" "$FINISH" "$ID_VIEW_LOG"
must "no viewer opened the log" drv wait-class Notepad 20000
title=$(drv title-class Notepad | tr -d '\r')
[[ "$title" == *LinkwrightLog* ]] || e2e_fail "the viewer shows '$title', not the log"
sleep 0.5
shot view-log
must "could not close the viewer" drv close-class Notepad
drv exists "Error Opening Log File" "$BOX_TEXT" && e2e_fail "View Log reported an error"
must "the finish page closed after View Log" drv exists "$TITLE" "$FINISH"
must "could not press Exit" drv click "$TITLE" "$FINISH" "$ID_EXIT"
lw_expect_exit 0

expect_generic_flags set
expect_reg "$USBFLAGS_KEY" IgnoreHWSerNum04F20001 "REG_BINARY 01"
expect_reg "HKEY_CURRENT_USER\\$AS_KEY" ConnectTypesAllowed "REG_DWORD 0x1f"
load_log
tail_re=$'ActiveSync allows USB connections.\r\nERROR: Could not open log file \\[([0-9]+)\\]\\.\r\n$'
[[ "$LOG" =~ $tail_re ]] && [ "${BASH_REMATCH[1]}" -le 32 ] ||
  e2e_fail "the log does not end with one View Log error: '$(shown "${LOG: -120}")'"
expect_eq "errors in the log" "$(log_count ERROR)" 1
expect_log_lacks "re-configure"
e2e_end
