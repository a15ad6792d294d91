#!/usr/bin/env bash
# ActiveSync 4.5 whose InstalledDir is missing: the sync INF is chosen on the
# INF-selection page, its driver cannot be backed up, and after Yes to the
# backup question the install goes on. The failed driver directory is
# logged once, not again by every path built on it. ActiveSync 4.5 runs on
# XP, where a package needs no driver files beside it; on Vista and later
# the unknown driver directory would leave the package without its driver.
source "$(dirname "$0")/lib.sh"
e2e_begin no_install_dir
windows_version winxp64
seed_activesync 4 5
seed_connect_types 3
seed_file "$E2E_DIR/fixtures/wceusbsh.inf" 'C:\stock\wceusbsh.inf'
seed_file "$E2E_DIR/fixtures/usbstor.inf" "$STORAGE_INF"
seed_driver "$STORAGE_SYS"

lw_start
welcome_install
must "the INF-selection page did not appear" drv wait "$INF_TITLE" "$INF_PAGE"
must "could not type a path" drv set-text "$INF_TITLE" "$INF_PAGE" "$ID_SYNC_PATH" 'C:\stock\wceusbsh.inf'
must "could not press Install" drv click "$INF_TITLE" "$INF_PAGE" "$ID_INSTALL"
must "the backup question did not appear" drv wait "Backup Unsuccessful!" "$BOX_TEXT" 30000
must "could not answer Yes" drv answer "Backup Unsuccessful!" "$IDYES"
finish_exit "$SUCCESS_TEXT"
lw_expect_exit 0

expect_eq "driver directory errors" \
  "$(log_count $'ERROR: Could not retrieve the driver directory.\r\n')" 1
expect_log_in_order $'ERROR: Could not retrieve the driver directory.\r\n' \
  'Created wceusbsh oemxx.inf file [' 'Created usbstor oemxx.inf file ['
expect_installed_inf wceusbsh "${SYNC_VENDOR_LINES[@]}"
e2e_end
