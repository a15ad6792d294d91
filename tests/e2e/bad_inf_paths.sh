#!/usr/bin/env bash
# Paths that pass the page's checks but name no usable INF end in a failed
# install shown on the finish page (exit code 0), never a crash: a folder
# (the copy to the temporary file fails), and a file that is not an INF
# (it has no [Version] section, where its package would name its catalog;
# XP, which makes no package, hands it to Setup, which refuses it).
# Nothing of ActiveSync or the generic-device values changes then.
source "$(dirname "$0")/lib.sh"
e2e_begin bad_inf_paths
seed_default_machine
seed_usbflags_set
rm -f "$(unix_path "$SYNC_INF")"
printf 'Just some notes, no INF at all.\r\n' >"$C/notes.txt"

run_with_sync_path() {
  lw_start
  welcome_install
  must "the INF-selection page did not appear" drv wait "$INF_TITLE" "$INF_PAGE"
  must "could not type a path" drv set-text "$INF_TITLE" "$INF_PAGE" "$ID_SYNC_PATH" "$1"
  must "could not press Install" drv click "$INF_TITLE" "$INF_PAGE" "$ID_INSTALL"
  finish_exit "$FAILURE_TEXT"
  lw_expect_exit 0
}

run_with_sync_path 'C:\windows'
expect_log_in_order $'Creating a copy of wceusbsh inf file.\r\n' 'ERROR: Could not copy C:\windows to '
expect_log_lacks "Created "

run_with_sync_path 'C:\notes.txt'
if prefix_signs; then
  refusal=$'ERROR: The inf file has no [Version] section to name a catalog in, for [wceusbsh].\r\n'
else
  refusal='ERROR: Could not copy temporary file as oemxx.inf -536870656: '
fi
expect_log_in_order 'ERROR: Could not copy C:\windows to ' \
  $'Creating a copy of wceusbsh inf file.\r\n' "$refusal"
expect_log_lacks "Created " "Creating a copy of usbstor" "ActiveSync is not configured"
expect_generic_flags set
expect_reg "HKEY_CURRENT_USER\\$AS_KEY" ConnectTypesAllowed "REG_DWORD 0x3"
e2e_end
