#!/usr/bin/env bash
# ActiveSync 3.0 is too old: Install shows "Unsupported ActiveSync
# Version!", and after OK the run ends with 1 without touching the system.
source "$(dirname "$0")/lib.sh"
e2e_begin activesync_unsupported
seed_default_machine
seed_activesync 3 0
before=$(inf_listing)

lw_start
welcome_install tick
answer_box "Unsupported ActiveSync Version!" "$IDOK" \
  'Your machine contains an unsupported version of ActiveSync.\n\nYou must install ActiveSync 3.1 or later before running this\ninstallation.\n'
lw_expect_exit 1

expect_log_ends_with $'ActiveSync major version is 3\r\nActiveSync minor version is 0\r\nWARNING: Unsupported ActiveSync version.\r\n'"$ABORTED"
expect_no_file "$AS_DIR\\drivers\\abkBackup"
expect_eq "files in C:\\windows\\inf" "$(inf_listing)" "$before"
expect_reg "HKEY_CURRENT_USER\\$AS_KEY" ConnectTypesAllowed "REG_DWORD 0x3"
expect_reg_absent "$USBFLAGS_KEY" IgnoreHWSerNum5E2D0001
e2e_end
