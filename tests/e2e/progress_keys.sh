#!/usr/bin/env bash
# The progress page cannot be closed: while the backup question holds it up,
# Escape, Enter, Alt+F4, WM_COMMAND IDCANCEL and IDOK and WM_SYSCOMMAND
# SC_CLOSE are posted to it, and it stays. Yes to the question goes on as if
# the backup had worked: both INFs installed, success.
source "$(dirname "$0")/lib.sh"
e2e_begin progress_keys
seed_default_machine
printf 'not a folder\r\n' >"$(unix_path "$AS_DIR\\drivers\\abkBackup")"

lw_start
welcome_install
must "the backup question did not appear" drv wait "Backup Unsuccessful!" "$BOX_TEXT" 30000
must "the progress page is not up" drv wait "$TITLE" "$PROGRESS" 2000
# Uncover the page for its picture.
drv move "Backup Unsuccessful!" "$BOX_TEXT" 8 560
shot progress "$TITLE" "$PROGRESS"
for action in escape enter altf4 cancel ok close; do
  must "could not post $action" drv post "$TITLE" "$PROGRESS" "$action"
done
sleep 1
drv exists "$TITLE" "$PROGRESS" || e2e_fail "the progress page closed on keys or commands"
lw_running || e2e_fail "the program ended on keys or commands"
answer_box "Backup Unsuccessful!" "$IDYES" \
  'An error occurred while the application was attempting\nto backup your files.\n\nDo you wish to continue anyways?'
finish_exit "$SUCCESS_TEXT"
lw_expect_exit 0

expect_eq "backup errors" "$(log_count 'ERROR: Could not create backup file [')" 1
expect_log_in_order "Backing up wceusbsh driver to [" 'ERROR: Could not create backup file [' \
  "Backing up usbstor driver to [" 'Created wceusbsh oemxx.inf file [' \
  'Created usbstor oemxx.inf file [' $'Automatic configure successful!\r\n'
expect_same_file "$STORAGE_SYS" 'C:\windows\system32\drivers\abkBackup\usbstor.sys'
expect_installed_inf wceusbsh "${SYNC_VENDOR_LINES[@]}"
expect_installed_inf usbstor "${STORAGE_VENDOR_LINES[@]}"
expect_reg "HKEY_CURRENT_USER\\$AS_KEY" ConnectTypesAllowed "REG_DWORD 0xb"
e2e_end
