#!/usr/bin/env bash
# No ActiveSync: Install shows "ActiveSync Not Found!", and after OK the run
# ends with 1 without touching the system.
source "$(dirname "$0")/lib.sh"
e2e_begin activesync_missing
seed_file "$E2E_DIR/fixtures/usbstor.inf" "$STORAGE_INF"
seed_driver "$STORAGE_SYS"
before=$(inf_listing)

lw_start
welcome_install tick
answer_box "ActiveSync Not Found!" "$IDOK" \
  'No version of ActiveSync could be found on your computer.\n\nClick OK to exit so that you may install ActiveSync.'
lw_expect_exit 1

expect_banners 1
expect_log_in_order $'ERROR: Could not locate ActiveSync\r\n' "$ABORTED"
expect_log_ends_with "*** Build: $BUILD_CODE"$'\r\nERROR: Could not locate ActiveSync\r\n'"$ABORTED"
expect_no_file 'C:\windows\system32\drivers\abkBackup'
expect_eq "files in C:\\windows\\inf" "$(inf_listing)" "$before"
expect_reg_absent "$USBFLAGS_KEY" IgnoreHWSerNum5E2D0001
e2e_end
