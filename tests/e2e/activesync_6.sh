#!/usr/bin/env bash
# ActiveSync 6.1: the sync driver is winusb, its INF the Windows folder's
# inf\wceusbsh.inf; winusb.sys is backed up from system32\drivers; both
# installed INFs name their source files as files of their package (the
# patch puts %12%\ at the head of [SourceDisksFiles], which a package
# staged from its own folder cannot use; on XP, which stages nothing, it
# stays). The user's ActiveSync key lacks ConnectTypesAllowed: a warning,
# the value is not created, and the install still succeeds.
source "$(dirname "$0")/lib.sh"
e2e_begin activesync_6
seed_activesync 6 1
seed_reg "HKEY_CURRENT_USER\\$AS_KEY" -
seed_file "$E2E_DIR/fixtures/wceusbsh.inf" 'C:\windows\inf\wceusbsh.inf'
seed_driver 'C:\windows\system32\drivers\winusb.sys'
# Windows' own, which the INF copies.
seed_driver 'C:\windows\system32\drivers\wceusbsh.sys'
seed_file "$E2E_DIR/fixtures/usbstor.inf" "$STORAGE_INF"
seed_driver "$STORAGE_SYS"

lw_start
welcome_install tick
finish_exit "$SUCCESS_TEXT"
lw_expect_exit 0

expect_log_in_order $'ActiveSync major version is 6\r\nActiveSync minor version is 1\r\n' \
  $'Wceusb path ...C:\\windows\\inf\\wceusbsh.inf\r\n' \
  $'Default path of winusb inf file is [C:\\windows\\inf\\wceusbsh.inf].\r\n' \
  $'Backing up winusb driver to [C:\\windows\\system32\\drivers\\abkBackup\\winusb.sys].\r\n' \
  'Created winusb oemxx.inf file [' 'Created usbstor oemxx.inf file [' \
  $'WARNING: Could not locate ActiveSync\'s allowed connect types.\r\n'
expect_same_file 'C:\windows\system32\drivers\winusb.sys' 'C:\windows\system32\drivers\abkBackup\winusb.sys'
prefix_signs && head= || head='%12%\'
expect_installed_inf winusb "${SYNC_VENDOR_LINES[@]}"
expect_eq "first line of the sync INF's [SourceDisksFiles]" \
  "$(inf_first_line "$INSTALLED_INF" SourceDisksFiles)" "${head}wceusbsh.sys=1"
expect_installed_inf usbstor "${STORAGE_VENDOR_LINES[@]}"
expect_eq "first line of the mass-storage INF's [SourceDisksFiles]" \
  "$(inf_first_line "$INSTALLED_INF" SourceDisksFiles)" "${head}usbstor.sys=1"
expect_reg_absent "HKEY_CURRENT_USER\\$AS_KEY" ConnectTypesAllowed
expect_generic_flags set
e2e_end
