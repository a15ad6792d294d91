#!/usr/bin/env bash
# Both backups fail (a file named abkBackup stands where each backup folder
# goes): one question is asked, after both attempts. No ends the install:
# nothing installed, ActiveSync and the generic-device values untouched, the
# finish page reads "Installation Failed!", and the exit code is still 0.
source "$(dirname "$0")/lib.sh"
e2e_begin backup_declined
seed_default_machine
seed_usbflags_set
printf 'not a folder\r\n' >"$(unix_path "$AS_DIR\\drivers\\abkBackup")"
printf 'not a folder\r\n' >"$(unix_path 'C:\windows\system32\drivers\abkBackup')"
before=$(inf_listing)

lw_start
welcome_install
must "the backup question did not appear" drv wait "Backup Unsuccessful!" "$BOX_TEXT" 30000
shot backup-question "Backup Unsuccessful!" "$BOX_TEXT"
answer_box "Backup Unsuccessful!" "$IDNO" \
  'An error occurred while the application was attempting\nto backup your files.\n\nDo you wish to continue anyways?'
finish_exit "$FAILURE_TEXT" finish-failure
lw_expect_exit 0

expect_log_in_order "Backing up wceusbsh driver to [" 'ERROR: Could not create backup file [' \
  "Backing up usbstor driver to [" 'ERROR: Could not create backup file ['
expect_eq "backup errors" "$(log_count 'ERROR: Could not create backup file [')" 2
expect_log_lacks "Creating a copy" "Created " "ActiveSync is not configured" "Could not write to registry"
expect_eq "files in C:\\windows\\inf" "$(inf_listing)" "$before"
expect_generic_flags set
expect_reg "HKEY_CURRENT_USER\\$AS_KEY" ConnectTypesAllowed "REG_DWORD 0x3"
e2e_end
